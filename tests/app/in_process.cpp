#include "in_process.h"

#include <gtest/gtest.h>

#include <map>

#include "shell/app_module.h"

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

namespace {
// One watch at a time is all the tests need; the hook reaches it here.
WindowWatch* activeWatch = nullptr;
std::map<UINT_PTR, std::function<void()>*> tickers;
}  // namespace

WindowWatch::WindowWatch(std::function<void(HWND)> action, bool watchDestroy)
    : hook_(SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId())),
      action_(std::move(action)),
      watchDestroy_(watchDestroy) {
    activeWatch = this;
}

WindowWatch::~WindowWatch() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    activeWatch = nullptr;
}

LRESULT CALLBACK WindowWatch::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (activeWatch != nullptr) {
        const int wanted = activeWatch->watchDestroy_ ? HCBT_DESTROYWND : HCBT_CREATEWND;
        if (code == wanted) activeWatch->action_(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

Ticker::Ticker(UINT periodMs, std::function<void()> action) : action_(std::move(action)) {
    id_ = SetTimer(nullptr, 0, periodMs, Tick);
    tickers[id_] = &action_;
}

Ticker::~Ticker() {
    KillTimer(nullptr, id_);
    tickers.erase(id_);
}

void CALLBACK Ticker::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto found = tickers.find(id);
    if (found != tickers.end()) (*found->second)();
}

namespace {

// The module state as the process entry sets it up: instance handle (this
// program carries Zentrail's resources) and an empty thread-to-loop map.
class ModuleEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        appModule.Initialise(GetModuleHandleA(nullptr));
        appModule.loops = new ThreadLoopMap;
    }
    void TearDown() override {
        delete appModule.loops;
        appModule.loops = nullptr;
        appModule.Shutdown();
    }
};

const auto* const kModuleEnvironment = ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

}  // namespace
