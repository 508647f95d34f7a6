#pragma once
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "shell/control_window.h"
#include "shell/dialog_window.h"

// Window objects for the tests: they record what reached them and can be
// given a handler. A handler that returns false leaves the message unhandled.
using TestHandler =
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

struct SeenMessage {
    UINT message;
    HWND window;  // the handle the framework passed
    HWND handle;  // the object's handle at that moment
};

template <class Base>
class Recording : public Base {
  public:
    template <class... Args>
    explicit Recording(Args&&... args) : Base(std::forward<Args>(args)...) {}
    // A window must not outlive its object.
    ~Recording() {
        if (this->Handle() != nullptr) DestroyWindow(this->Handle());
    }

    BOOL HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD section) override {
        seen.push_back({message, window, this->Handle()});
        if (section != 0 || !handler) return FALSE;
        return handler(message, wParam, lParam, result) ? TRUE : FALSE;
    }
    void AfterLastMessage(HWND oldHandle) override {
        ++afterLastCalls;
        afterLastHandle = oldHandle;
        handleAtAfterLast = this->Handle();
        procAtAfterLast = GetWindowLongA(oldHandle, GWL_WNDPROC);
    }

    bool Saw(UINT message) const {
        for (const SeenMessage& s : seen) {
            if (s.message == message) return true;
        }
        return false;
    }

    using Base::ThunkCode;

    std::vector<SeenMessage> seen;
    TestHandler handler;
    int afterLastCalls = 0;
    HWND afterLastHandle = nullptr;  // the argument of AfterLastMessage
    HWND handleAtAfterLast = reinterpret_cast<HWND>(1);
    LONG procAtAfterLast = 0;  // the window's procedure while AfterLastMessage ran
};

using TestDialog = Recording<DialogWindow>;

class TestControl : public Recording<ControlWindow> {
  public:
    WNDPROC PreviousProc() const { return previousProc; }
};
