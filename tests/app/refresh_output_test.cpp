// One refresh tick on a window that holds the three fields.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "in_process.h"
#include "res/resource_ids.h"
#include "shell/refresh_output.h"

namespace {

// A field whose text can never be had: it reports a length that no 32-bit
// process can hold a copy of.
LRESULT CALLBACK HugeTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXTLENGTH) return 0x7FFFFFFF;
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* HugeTextClass() {
    static const ATOM atom = [] {
        WNDCLASSA kind{};
        kind.lpfnWndProc = HugeTextProc;
        kind.hInstance = GetModuleHandleA(nullptr);
        kind.lpszClassName = "ZentrailHugeText";
        return RegisterClassA(&kind);
    }();
    return atom != 0 ? "ZentrailHugeText" : nullptr;
}

// A hidden window with the fields the refresh reads and writes; fields left
// out are simply missing.
class FieldsWindow {
  public:
    explicit FieldsWindow(bool withTag = true, bool withName = true, bool hugeName = false) {
        window_ = CreateWindowExA(0, "STATIC", "fields", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        Add(IDC_OUTPUT_FIELD, "EDIT");
        if (withTag) Add(IDC_TAG_FIELD, "EDIT");
        if (withName) Add(IDC_NAME_FIELD, hugeName ? HugeTextClass() : "EDIT");
    }
    ~FieldsWindow() { DestroyWindow(window_); }
    FieldsWindow(const FieldsWindow&) = delete;
    FieldsWindow& operator=(const FieldsWindow&) = delete;

    HWND get() const { return window_; }
    void Set(int id, const char* text) { SetWindowTextA(GetDlgItem(window_, id), text); }
    std::string Output() const { return WindowText(GetDlgItem(window_, IDC_OUTPUT_FIELD)); }
    // True when the refresh timer was running; stops it.
    bool TakeTimer() const { return KillTimer(window_, REFRESH_TIMER_ID) != 0; }

  private:
    void Add(int id, const char* className) {
        CreateWindowExA(0, className, "", WS_CHILD, 0, 0, 100, 20, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleA(nullptr), nullptr);
    }

    HWND window_;
};

bool IsFallbackOutput(const std::string& output, const std::string& tag) {
    if (output.compare(0, tag.size() + 1, tag + "_") != 0) return false;
    const std::string number = output.substr(tag.size() + 1);
    if (number.empty() || number.size() > 10) return false;
    for (const char c : number) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

class RefreshOutputTest : public ::testing::Test {
  protected:
    void SetUp() override { SKIP_WITHOUT_DISPLAY(); }
};

TEST_F(RefreshOutputTest, WritesTheComposedTagAndStartsTheTimer) {
    FieldsWindow fields;
    fields.Set(IDC_TAG_FIELD, "#news");
    fields.Set(IDC_NAME_FIELD, "Hello");
    fields.Set(IDC_OUTPUT_FIELD, "typed by hand");
    ASSERT_FALSE(fields.TakeTimer());

    RefreshOutput(fields.get());
    EXPECT_EQ("#news_tTukG", fields.Output());
    EXPECT_TRUE(fields.TakeTimer());
}

TEST_F(RefreshOutputTest, TimerTicksAgainAfterThePeriod) {
    FieldsWindow fields;
    RefreshOutput(fields.get());
    MSG tick{};
    const DWORD start = GetTickCount();
    bool ticked = false;
    while (!ticked && GetTickCount() - start < 10000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_TIMER);
        ticked = PeekMessageA(&tick, fields.get(), WM_TIMER, WM_TIMER, PM_REMOVE) != 0;
    }
    ASSERT_TRUE(ticked);
    EXPECT_EQ(REFRESH_TIMER_ID, tick.wParam);
    // Timers may fire a little early on some systems; never much.
    EXPECT_GE(GetTickCount() - start + 50, REFRESH_PERIOD_MS);
    fields.TakeTimer();
}

TEST_F(RefreshOutputTest, EmptyNameTakesTheRandomNumber) {
    FieldsWindow fields;
    fields.Set(IDC_TAG_FIELD, "x");
    RefreshOutput(fields.get());
    EXPECT_TRUE(IsFallbackOutput(fields.Output(), "x")) << fields.Output();
    fields.TakeTimer();
}

TEST_F(RefreshOutputTest, MissingFieldsReadAsEmpty) {
    FieldsWindow fields(/*withTag=*/false, /*withName=*/false);
    RefreshOutput(fields.get());
    EXPECT_TRUE(IsFallbackOutput(fields.Output(), "")) << fields.Output();
    EXPECT_TRUE(fields.TakeTimer());
}

TEST_F(RefreshOutputTest, FieldWhoseTextCannotBeHadKeepsTheOldOutputAndTheTimer) {
    ASSERT_NE(nullptr, HugeTextClass());
    FieldsWindow fields(/*withTag=*/true, /*withName=*/true, /*hugeName=*/true);
    fields.Set(IDC_TAG_FIELD, "x");
    fields.Set(IDC_OUTPUT_FIELD, "x_1Qafmj");

    RefreshOutput(fields.get());  // must not throw: it is noexcept
    EXPECT_EQ("x_1Qafmj", fields.Output());
    EXPECT_TRUE(fields.TakeTimer()) << "the next tick would never come";
}

}  // namespace
