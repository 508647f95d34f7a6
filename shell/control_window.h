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
    ~ControlWindow() = default;

    // The procedure that binding replaced; DefWindowProcA until then.
    WNDPROC previousProc = DefWindowProcA;

  private:
    friend LRESULT CALLBACK ControlMessageProc(BoundWindow*, UINT, WPARAM, LPARAM) noexcept;

    LRESULT FinishLastMessage(WPARAM wParam, LPARAM lParam) noexcept;
};
