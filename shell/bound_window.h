#pragma once
#include <windows.h>

#include "shell/app_module.h"
#include "shell/window_thunk.h"

class BoundWindow;

// The platform's entry points into the framework. FirstMessageProc is the
// dialog procedure given to the create calls; the other two are reached
// through an object's thunk, with the object in place of the window handle.
// None lets an exception out: mingw's unwinder cannot cross the platform's
// frames, so an exception escaping a handler would end the process there.
INT_PTR CALLBACK FirstMessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
INT_PTR CALLBACK DialogMessageProc(BoundWindow* object, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept;
LRESULT CALLBACK ControlMessageProc(BoundWindow* object, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;

// An object that receives every message of one window directly, through a
// thunk installed as the window's procedure: no lookup per message. The
// object neither owns its window nor is owned by it, and it must outlive the
// window.
class BoundWindow {
  public:
    BoundWindow(const BoundWindow&) = delete;
    BoundWindow& operator=(const BoundWindow&) = delete;

    // --- Virtual operations, in this order.
    // TRUE when handled, with result set. The framework always passes
    // section 0. An exception thrown here is stopped at the window procedure
    // and the message counts as not handled.
    virtual BOOL HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT& result, DWORD section) = 0;
    // The procedure that the thunk jumps to.
    virtual ThunkTarget EntryProc() = 0;
    // Once, after a WM_NCDESTROY that HandleMessage left alone, with the
    // handle that has just been cleared.
    virtual void AfterLastMessage(HWND oldHandle);

    // Null until bound, and null again after the window's last message.
    HWND Handle() const { return handle_; }

    // Centres the window on centreOn, or on its parent or owner when that is
    // null, keeping it inside the work area; see PlaceWindowCentred.
    BOOL PlaceCentred(HWND centreOn);

  protected:
    BoundWindow() = default;
    ~BoundWindow() = default;

    // Where the window's procedure points while the object is bound; null
    // before the first binding.
    const void* ThunkCode() const { return thunk_.Code(); }

  private:
    friend class DialogWindow;
    friend class ControlWindow;
    friend INT_PTR CALLBACK FirstMessageProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    friend INT_PTR CALLBACK DialogMessageProc(BoundWindow*, UINT, WPARAM, LPARAM) noexcept;
    friend LRESULT CALLBACK ControlMessageProc(BoundWindow*, UINT, WPARAM, LPARAM) noexcept;

    // HandleMessage for the bound window, section 0, exceptions stopped.
    BOOL Deliver(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    // After the last message: clears the handle, then AfterLastMessage.
    void Unbind() noexcept;
    bool WriteThunk() { return thunk_.Write(this, EntryProc()); }

    HWND handle_ = nullptr;
    PendingCreation creation_;  // linked in appModule while a dialog is announced
    WindowThunk thunk_;
};
