#pragma once
#include <windows.h>

#include <functional>

// Shared by the shell's tests: real windows under the platform (or Wine),
// synchronised by polling with deadlines.

// True when windows can be made: always on Windows, with a display under
// Wine.
bool HaveDisplay();

#define SKIP_WITHOUT_DISPLAY() \
    if (!HaveDisplay()) GTEST_SKIP() << "no display to make windows on"

// Polls condition, handling this thread's messages in between, until it
// holds or timeoutMs have passed. The result is the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Runs body on a new thread (which gets a message queue of its own) and
// waits for it with a deadline. Should body still run then, the thread is
// sent WM_QUIT, waited for once more, and false is returned.
bool RunOnThread(const std::function<void()>& body, DWORD timeoutMs = 10000);

// A hidden top-level window of a plain class, destroyed with the object.
class ScratchWindow {
  public:
    explicit ScratchWindow(DWORD style = WS_POPUP, HWND parent = nullptr,
                           RECT place = RECT{0, 0, 100, 100}, const char* className = "STATIC");
    ~ScratchWindow();
    ScratchWindow(const ScratchWindow&) = delete;
    ScratchWindow& operator=(const ScratchWindow&) = delete;

    HWND get() const { return window_; }

  private:
    HWND window_;
};
