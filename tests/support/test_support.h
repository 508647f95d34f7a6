#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app_driver.h"

// Shared by the Windows tests that make windows in their own process (the
// shell, the hyperlink control, the main dialog). The module state is set up
// as the process entry does it, with the test program's own resources;
// everything is synchronised by polling with deadlines.

#define SKIP_WITHOUT_DISPLAY() \
    if (!::zentrail::drive::CanShowWindows()) GTEST_SKIP() << "no display to make windows on"

// Polls condition, handling this thread's messages in between, until it
// holds or timeoutMs have passed; the result is its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// zentrail_probe.exe beside the test program (see probe.cpp).
std::string ProbePath();

// A hidden window of a plain class, destroyed with the object.
class ScratchWindow {
  public:
    explicit ScratchWindow(DWORD style = WS_POPUP, HWND parent = nullptr,
                           RECT place = RECT{0, 0, 100, 100}, const char* className = "STATIC")
        : window_(CreateWindowExA(0, className, "scratch", style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, parent,
                                  nullptr, GetModuleHandleA(nullptr), nullptr)) {}
    ~ScratchWindow() {
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    ScratchWindow(const ScratchWindow&) = delete;
    ScratchWindow& operator=(const ScratchWindow&) = delete;

    HWND get() const { return window_; }

  private:
    HWND window_;
};
