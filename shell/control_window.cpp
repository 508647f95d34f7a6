#include "shell/control_window.h"

namespace {

LONG AsLong(const void* code) { return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(code)); }

}  // namespace

BOOL ControlWindow::BindControl(HWND window) {
    if (!WriteThunk()) return FALSE;
    const LONG previous = SetWindowLongA(window, GWL_WNDPROC, AsLong(ThunkCode()));
    if (previous == 0) return FALSE;
    handle_ = window;
    previousProc = reinterpret_cast<WNDPROC>(static_cast<std::uintptr_t>(previous));
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
    const LONG current = GetWindowLongA(window, GWL_WNDPROC);
    const LRESULT result = CallWindowProcA(previousProc, window, WM_NCDESTROY, wParam, lParam);
    if (previousProc != DefWindowProcA && current == AsLong(ThunkCode()) &&
        GetWindowLongA(window, GWL_WNDPROC) == current) {
        SetWindowLongA(window, GWL_WNDPROC,
                       static_cast<LONG>(reinterpret_cast<std::uintptr_t>(previousProc)));
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
