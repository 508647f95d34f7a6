// The yardstick for Zentrail's start-up time and size: a program built the
// same way (i686, linked -static, the same flags) that shows one small
// modeless dialog and pumps its messages the way Zentrail does, and nothing
// else. Close, Esc and WM_CLOSE end it with exit code 2, as they end Zentrail.
//
// Built as minimal_entry.exe with MINIMAL_WITH_PROCESS_ENTRY, it also does
// what Zentrail's process entry must do before its window (COM, the common
// controls) and carries Zentrail's manifest: the start-up that the platform
// charges any program set up that way.
#include <windows.h>

#ifdef MINIMAL_WITH_PROCESS_ENTRY
#include <commctrl.h>
#include <objbase.h>
#endif

#include "minimal_dialog.h"
#include "modeless_run.h"

namespace {

INT_PTR CALLBACK MinimalDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_INITDIALOG) return TRUE;
    return EndOnCancel(window, message, wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
#ifdef MINIMAL_WITH_PROCESS_ENTRY
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);
#endif
    return RunModelessDialog(instance, IDD_MINIMAL, MinimalDialogProc, showCommand);
}
