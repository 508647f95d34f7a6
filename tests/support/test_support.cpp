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

std::string ProbePath() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + "zentrail_probe.exe";
}
