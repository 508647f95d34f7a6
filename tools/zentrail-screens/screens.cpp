// zentrail-screens PROGRAM TAG NAME
//
// Poses Zentrail for pictures: starts PROGRAM, types TAG and NAME into its
// fields and waits for the output, then opens the About box. At each of the
// two poses it prints the window's screen rectangle,
//     main LEFT TOP WIDTH HEIGHT      and later     about LEFT TOP WIDTH HEIGHT
// and waits for a line on standard input (the caller's picture is taken),
// then closes both windows and prints "exit CODE". Exit status 0 when every
// step worked and the program ended with 2, as after Close.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app_driver.h"
#include "tag/tag_composer.h"

namespace {

using namespace zentrail::drive;

constexpr DWORD kWindowMs = 15000;
// Lets the last repaint reach the screen before the picture is taken.
constexpr DWORD kPaintMs = 400;

int Fail(const std::string& what) {
    std::fprintf(stderr, "zentrail-screens: %s\n", what.c_str());
    return 1;
}

void ShowPose(const char* name, HWND window) {
    Sleep(kPaintMs);
    const RECT rect = RectOf(window);
    std::printf("%s %ld %ld %ld %ld\n", name, static_cast<long>(rect.left),
                static_cast<long>(rect.top), static_cast<long>(rect.right - rect.left),
                static_cast<long>(rect.bottom - rect.top));
    std::fflush(stdout);
    char line[64];
    if (std::fgets(line, sizeof line, stdin) == nullptr) {
        // The caller went away; carry on and close the program anyway.
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: zentrail-screens PROGRAM TAG NAME");
    const std::string tag = argv[2];
    const std::string name = argv[3];
    // The name's own code: a name with no code would show a number that
    // changes every second.
    if (NameCode(name).empty()) return Fail("the name must have a code");
    const std::string expected = tag + "_" + NameCode(name);

    AppProcess app;
    std::string error;
    const HWND main = StartAndType(app, argv[1], tag, name, expected, error);
    if (main == nullptr) return Fail(error);
    ShowPose("main", main);

    if (!BringToFront(main) || !PressKey('A', VK_MENU)) return Fail("cannot press Alt+A");
    const HWND about = app.WaitForWindow("About", kWindowMs);
    if (about == nullptr) return Fail("the About box did not appear");
    ShowPose("about", about);

    BringToFront(about);
    PressKey(VK_ESCAPE);
    WaitFor([&] { return !IsWindow(about); }, kWindowMs);
    BringToFront(main);
    PressKey(VK_ESCAPE);
    DWORD code = 0;
    if (!app.WaitForExit(kWindowMs, code)) return Fail("the program did not end");
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    return code == 2 ? 0 : 1;
}
