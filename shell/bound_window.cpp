#include "shell/bound_window.h"

#include <cstdio>
#include <exception>

#include "shell/place_centred.h"

namespace {

// The program goes on after a handler failed, so the failure is at least
// left where a developer looks for it.
void ReportStopped(UINT message, const char* what) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "Exception stopped at the window procedure (message 0x%04X): %s\n", message,
                  what);
    OutputDebugStringA(text);
}

}  // namespace

void BoundWindow::AfterLastMessage(HWND /*oldHandle*/) {}

BOOL BoundWindow::PlaceCentred(HWND centreOn) { return PlaceWindowCentred(handle_, centreOn); }

BOOL BoundWindow::Deliver(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
    try {
        return HandleMessage(handle_, message, wParam, lParam, result, 0);
    } catch (const std::exception& e) {
        ReportStopped(message, e.what());
    } catch (...) {
        ReportStopped(message, "not a standard exception");
    }
    return FALSE;
}

void BoundWindow::Unbind() noexcept {
    const HWND oldHandle = handle_;
    handle_ = nullptr;
    try {
        AfterLastMessage(oldHandle);
    } catch (const std::exception& e) {
        ReportStopped(WM_NCDESTROY, e.what());
    } catch (...) {
        ReportStopped(WM_NCDESTROY, "not a standard exception");
    }
}
