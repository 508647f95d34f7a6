#include "shell/control_window.h"

#include "shell/window_long.h"

BOOL ControlWindow::BindControl(HWND window) {
    if (!WriteThunk()) return FALSE;
    const LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC, AsWindowLong(ThunkCode()));
    if (previous == 0) return FALSE;
    handle_ = window;
    previousProc = FromWindowLong<WNDPROC>(previous);
    return TRUE;
}

ThunkTarget ControlWindow::EntryProc() {
    return reinterpret_cast<ThunkTarget>(&ControlMessageProc);
}

// The replaced procedure sees WM_NCDESTROY as well, and is put back only
// while this object's thunk is still the window's procedure: whoever
// subclassed the window after us owns the chain from there on.
LRESULT ControlWindow::FinishLastMessage(WPARAM wParam, LPARAM lParam) noexcept {
    const HWND window = handle_;
    const LONG_PTR current = GetWindowLongPtrA(window, GWLP_WNDPROC);
    const LRESULT result = CallWindowProcA(previousProc, window, WM_NCDESTROY, wParam, lParam);
    if (previousProc != DefWindowProcA && current == AsWindowLong(ThunkCode()) &&
        GetWindowLongPtrA(window, GWLP_WNDPROC) == current) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, AsWindowLong(previousProc));
    }
    Unbind();
    return result;
}

LRESULT CALLBACK ControlMessageProc(BoundWindow* object, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    // Only ControlWindow::EntryProc leads here, so the object is one.
    auto* control = static_cast<ControlWindow*>(object);
    LRESULT result = 0;
    if (control->Deliver(message, wParam, lParam, result)) return result;
    if (message == WM_NCDESTROY) return control->FinishLastMessage(wParam, lParam);
    return CallWindowProcA(control->previousProc, control->handle_, message, wParam, lParam);
}
