// zentrail-smoke PROGRAM TAG NAME EXPECTED
//
// Checks a packed Zentrail.exe from outside, as a user would use it: starts
// PROGRAM, types TAG, Tab and NAME with real key presses, waits for the
// output field to show EXPECTED, presses Enter (Copy) and waits for the
// clipboard to hold EXPECTED, then presses Esc and waits for the program to
// end. Exit status 0 when every step held and the program ended with 2, as
// after Close; otherwise 1 and one line on what did not.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app_driver.h"

namespace {

using namespace zentrail::drive;

constexpr DWORD kWindowMs = 15000;
// A few refresh periods.
constexpr DWORD kOutputMs = 5000;

int Fail(const std::string& what) {
    std::fprintf(stderr, "zentrail-smoke: %s\n", what.c_str());
    return 1;
}

std::string Clipboard() {
    std::string text;
    return ClipboardText(text) ? text : std::string("(no text)");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return Fail("usage: zentrail-smoke PROGRAM TAG NAME EXPECTED");
    const std::string tag = argv[2];
    const std::string name = argv[3];
    const std::string expected = argv[4];
    if (!CanShowWindows()) return Fail("no display to show the program on");
    // Whatever was copied before must not pass for the program's copy.
    if (!EmptyTheClipboard()) return Fail("cannot empty the clipboard");

    AppProcess app;
    std::string error;
    const HWND main = StartAndType(app, argv[1], tag, name, expected, error);
    if (main == nullptr) return Fail(error);

    if (!BringToFront(main) || !PressKey(VK_RETURN)) return Fail("cannot press Enter");
    // Read before the program ends: under Wine its clipboard goes with it.
    if (!WaitFor([&] { return Clipboard() == expected; }, kOutputMs)) {
        return Fail("Enter did not copy " + expected + "; the clipboard holds " + Clipboard());
    }

    if (!BringToFront(main) || !PressKey(VK_ESCAPE)) return Fail("cannot press Esc");
    DWORD code = 0;
    if (!app.WaitForExit(kWindowMs, code)) return Fail("the program did not end after Esc");
    if (code != 2)
        return Fail("the program ended with exit code " + std::to_string(code) + ", not 2");
    std::printf("typed %s and %s, copied %s, Esc ended it with exit code 2\n", tag.c_str(),
                name.c_str(), expected.c_str());
    return 0;
}
