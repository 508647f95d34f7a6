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

// The one barrier between handlers and the platform: mingw's unwinder cannot
// cross the platform's frames. True when body returned normally.
template <typename Body>
bool StopExceptions(UINT message, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        ReportStopped(message, e.what());
    } catch (...) {
        ReportStopped(message, "not a standard exception");
    }
    return false;
}

}  // namespace

void BoundWindow::AfterLastMessage(HWND /*oldHandle*/) {}

BOOL BoundWindow::PlaceCentred(HWND centreOn) { return PlaceWindowCentred(handle_, centreOn); }

BOOL BoundWindow::Deliver(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
    BOOL handled = FALSE;
    // A handler that threw leaves the message unhandled.
    if (!StopExceptions(message, [&] {
            handled = HandleMessage(handle_, message, wParam, lParam, result, 0);
        })) {
        return FALSE;
    }
    return handled;
}

void BoundWindow::Unbind() noexcept {
    const HWND oldHandle = handle_;
    handle_ = nullptr;
    StopExceptions(WM_NCDESTROY, [&] { AfterLastMessage(oldHandle); });
}
