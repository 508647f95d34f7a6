#pragma once
#include <windows.h>

#include <cstdint>

#if !defined(_M_IX86) && !defined(__i386__)
#error "WindowThunk holds i386 code; another processor needs its own two instructions."
#endif

// The address of a procedure that takes an object where the platform passes
// a window handle: (object, message, wParam, lParam), stdcall. Kept as a
// plain function address because dialog and window procedures differ in
// their result type.
using ThunkTarget = void (*)();

// Thirteen bytes of i386 code that the platform calls as a window or dialog
// procedure:
//     mov dword ptr [esp+4], <object>   ; C7 44 24 04 <object>
//     jmp <target>                      ; E9 <target - (code + 13)>
// The first instruction overwrites the window-handle argument with the
// object, and the target returns straight to the platform.
//
// The code lives in a page of its own from VirtualAlloc, never in the
// object: a program marked NX-compatible may not execute its stack or heap.
// The page is writable only while the code is written and execute-read
// afterwards, never both at once. It is freed with the thunk.
class WindowThunk {
  public:
    static constexpr std::size_t kSize = 13;

    WindowThunk() = default;
    ~WindowThunk();
    WindowThunk(const WindowThunk&) = delete;
    WindowThunk& operator=(const WindowThunk&) = delete;

    // Writes the code for object and target and flushes the instruction
    // cache over it. Writing the same code again costs nothing. False when
    // no page could be had or its protection could not be switched.
    bool Write(const void* object, ThunkTarget target);

    // Null until written.
    const void* Code() const { return code_; }
    WNDPROC AsWindowProc() const;
    DLGPROC AsDialogProc() const;

  private:
    bool SetProtection(DWORD protection);

    unsigned char* code_ = nullptr;
    bool executable_ = false;  // written completely and switched to execute-read
};
