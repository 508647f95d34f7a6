#pragma once
#include <windows.h>

#include "shell/bound_window.h"

// Takes over an existing window, typically a control of a dialog, by
// installing the object's thunk as its procedure. Messages that the object
// leaves alone go on to the procedure it replaced.
class ControlWindow : public BoundWindow {
  public:
    // FALSE when the procedure could not be replaced; the object then stays
    // unbound.
    BOOL BindControl(HWND window);

    ThunkTarget EntryProc() final;

  protected:
    ControlWindow() = default;
    // A window that outlives its object is given back (ReleaseWindow), so
    // that it never calls into freed memory.
    ~ControlWindow();

    // Puts the replaced procedure back while this object's thunk is still
    // the window's procedure (whoever subclassed the window after us owns
    // the chain from there on), and unbinds without AfterLastMessage. Does
    // nothing once the window is gone or was given back.
    void ReleaseWindow() noexcept;

    // The procedure that binding replaced; DefWindowProcA until then.
    WNDPROC previousProc = DefWindowProcA;

  private:
    friend LRESULT CALLBACK ControlMessageProc(BoundWindow*, UINT, WPARAM, LPARAM) noexcept;

    // Puts the previous procedure back if the thunk is still in place.
    void RestorePreviousProc(HWND window) noexcept;
    LRESULT FinishLastMessage(HWND window, WPARAM wParam, LPARAM lParam) noexcept;
};
