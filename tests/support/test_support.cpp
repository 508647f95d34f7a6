#include "test_support.h"

#include <gtest/gtest.h>

#include "shell/app_module.h"

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

namespace {

DWORD WINAPI RunBody(void* body) {
    (*static_cast<const std::function<void()>*>(body))();
    return 0;
}

// The module state as the process entry sets it up: the instance handle
// (dialog templates are resources of the test program) and an empty map.
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

std::string ProbePath() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + "zentrail_probe.exe";
}
