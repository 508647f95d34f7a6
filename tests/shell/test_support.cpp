#include "test_support.h"

#include <gtest/gtest.h>

#include "shell/app_module.h"

bool HaveDisplay() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    if (!underWine) return true;
    char display[256] = {};
    return GetEnvironmentVariableA("DISPLAY", display, sizeof display) > 0;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
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

namespace {

DWORD WINAPI RunBody(void* body) {
    (*static_cast<const std::function<void()>*>(body))();
    return 0;
}

}  // namespace

bool RunOnThread(const std::function<void()>& body, DWORD timeoutMs) {
    DWORD threadId = 0;
    const HANDLE thread =
        CreateThread(nullptr, 0, RunBody, const_cast<std::function<void()>*>(&body), 0, &threadId);
    if (thread == nullptr) return false;
    const bool finished = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    if (!finished) {
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, timeoutMs);
    }
    CloseHandle(thread);
    return finished;
}

ScratchWindow::ScratchWindow(DWORD style, HWND parent, RECT place, const char* className)
    : window_(CreateWindowExA(0, className, "scratch", style, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, parent, nullptr,
                              GetModuleHandleA(nullptr), nullptr)) {}

ScratchWindow::~ScratchWindow() {
    if (IsWindow(window_)) DestroyWindow(window_);
}

namespace {

// The module state as the process entry sets it up: instance handle (the
// test dialogs are resources of this exe) and an empty thread-to-loop map.
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
