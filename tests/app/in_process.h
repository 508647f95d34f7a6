#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app_driver.h"

// Shared by the in-process tests of the main dialog, its refresh, its run
// and the About box. The module state is set up as the process entry does
// it, with this test program's resources (which are Zentrail's).

#define SKIP_WITHOUT_DISPLAY() \
    if (!::zentrail::drive::CanShowWindows()) GTEST_SKIP() << "no display to make windows on"

// Polls condition, handling this thread's messages in between, until it
// holds or timeoutMs have passed; the result is its last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// The text of a window of this process.
std::string WindowText(HWND window);

// Calls action once for every window this thread creates while it lives,
// or, with watchDestroy, for every window it destroys.
class WindowWatch {
  public:
    explicit WindowWatch(std::function<void(HWND)> action, bool watchDestroy = false);
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_;
    std::function<void(HWND)> action_;
    bool watchDestroy_;
};

// Runs action on this thread every periodMs while messages are dispatched,
// also inside modal loops, until the object ends.
class Ticker {
  public:
    Ticker(UINT periodMs, std::function<void()> action);
    ~Ticker();
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    UINT_PTR id_;
    std::function<void()> action_;
};
