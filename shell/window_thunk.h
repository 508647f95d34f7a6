#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/thunk_code.h"

#if !defined(__i386__) && !defined(__x86_64__)
#error "WindowThunk holds x86 code; another processor needs its own instructions."
#endif

// The address of a procedure that takes an object where the platform passes
// a window handle: (object, message, wParam, lParam), CALLBACK. Kept as a
// plain function address because dialog and window procedures differ in
// their result type.
using ThunkTarget = void (*)();

// A few bytes of code that the platform calls as a window or dialog
// procedure. They put the object where the window handle was and jump to
// the target, which returns straight to the platform. On i386 they overwrite
// the stack argument; on x86-64 they load rcx, the first argument's register
// (see thunk_code.h for both encodings).
//
// The code lives in a page of its own from VirtualAlloc, never in the
// object: a program marked NX-compatible may not execute its stack or heap.
// The page is writable only while the code is written and execute-read
// afterwards, never both at once. It is freed with the thunk.
class WindowThunk {
  public:
#if defined(__x86_64__)
    static constexpr std::size_t kSize = thunk_code::kX64Size;
#else
    static constexpr std::size_t kSize = thunk_code::kI386Size;
#endif

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
