#include "app/refresh_output.h"

#include <cstdio>
#include <exception>
#include <string>

#include "loomkit/window_text_win32.h"
#include "res/resource_ids.h"
#include "tag/crc32.h"
#include "tag/mt_random.h"
#include "tag/tag_composer.h"

namespace {

void ReportFailedTick(const char* what) {
    char text[512];
    std::snprintf(text, sizeof text, "Refresh skipped, the output keeps its text: %s\n", what);
    OutputDebugStringA(text);
}

// Everything that can fail, with the generator freed on every way out.
void ComposeIntoOutput(HWND outputField, HWND tagField, HWND nameField) {
    // Made on every tick, needed or not: the fallback number is the first
    // value of the current second.
    MtGenerator random;
    std::string name;
    std::string tag;
    loomkit::window_text_to_string(nameField, name);
    loomkit::window_text_to_string(tagField, tag);
    BuildCrc32Table();
    const std::string output = ComposeTag(tag, name, random);
    SetWindowTextA(outputField, output.c_str());
}

}  // namespace

void RefreshOutput(HWND dialog) noexcept {
    const HWND outputField = GetDlgItem(dialog, IDC_OUTPUT_FIELD);
    const HWND tagField = GetDlgItem(dialog, IDC_TAG_FIELD);
    const HWND nameField = GetDlgItem(dialog, IDC_NAME_FIELD);
    // Runs inside the platform's dispatch: nothing may unwind out of here.
    try {
        ComposeIntoOutput(outputField, tagField, nameField);
    } catch (const std::exception& e) {
        ReportFailedTick(e.what());
    } catch (...) {
        ReportFailedTick("not a standard exception");
    }
    SetTimer(dialog, REFRESH_TIMER_ID, REFRESH_PERIOD_MS, nullptr);
}
