// Zentrail's process entry: prepares COM and the common controls, sets up
// the module state, runs the main dialog and tears down in reverse order.
// The exit code is the main run's: 2 after Close, the wParam of a quit
// message from elsewhere, 0 when nothing could be shown.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <new>

#include "app/run_main_dialog.h"
#include "shell/app_module.h"
#include "shell/thread_loop_map.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int showCommand) {
    // The program runs without COM or the extra control classes too.
    CoInitialize(nullptr);
    DefWindowProcA(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;  // the link's tooltips
    InitCommonControlsEx(&controls);

    appModule.Initialise(instance);
    // Without a map the run registers no loop, makes no window and gives 0.
    appModule.loops = new (std::nothrow) ThreadLoopMap;

    const int result = RunMainDialog(commandLine, showCommand);

    delete appModule.loops;
    appModule.loops = nullptr;
    appModule.Shutdown();
    CoUninitialize();
    return result;
}
