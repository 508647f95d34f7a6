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

ControlWindow::~ControlWindow() { ReleaseWindow(); }

void ControlWindow::ReleaseWindow() noexcept {
    const HWND window = handle_;
    if (window == nullptr || !IsWindow(window)) return;
    RestorePreviousProc(window);
    handle_ = nullptr;
}

void ControlWindow::RestorePreviousProc(HWND window) noexcept {
    if (GetWindowLongPtrA(window, GWLP_WNDPROC) == AsWindowLong(ThunkCode())) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, AsWindowLong(previousProc));
    }
}

// The replaced procedure sees WM_NCDESTROY as well, and is put back
// afterwards unless the window was never more than DefWindowProcA's.
LRESULT ControlWindow::FinishLastMessage(HWND window, WPARAM wParam, LPARAM lParam) noexcept {
    const LRESULT result = CallWindowProcA(previousProc, window, WM_NCDESTROY, wParam, lParam);
    if (previousProc != DefWindowProcA) RestorePreviousProc(window);
    Unbind();
    return result;
}

LRESULT CALLBACK ControlMessageProc(BoundWindow* object, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    // Only ControlWindow::EntryProc leads here, so the object is one. The
    // handle is read once: a handler may end the window and clear it.
    auto* control = static_cast<ControlWindow*>(object);
    const HWND window = control->handle_;
    LRESULT result = 0;
    if (control->Deliver(message, wParam, lParam, result)) return result;
    if (message == WM_NCDESTROY) return control->FinishLastMessage(window, wParam, lParam);
    return CallWindowProcA(control->previousProc, window, message, wParam, lParam);
}
