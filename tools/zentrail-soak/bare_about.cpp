// zentrail-soak-bare: the About template with the dialog manager alone, in a
// process of its own, as the soak's measure of what the platform keeps.
//
// It carries Zentrail's resources (template, icons, manifest) and prepares
// the platform as Zentrail does, then shows a plain window captioned
// "Zentrail soak bare". Each kRunBareBox posted to that window runs the About
// template modally over it, with a procedure that only ends it on a
// command. Nothing of Zentrail's own code runs here, so what this process
// gains over many boxes is what Wine keeps of every dialog.
//
// kReportHeapBytes answers with the bytes its heaps hold, blocks and their
// headers: what the platform keeps shows there exactly, while the pages
// Linux counts also depend on where earlier frees left room. (Wine 8's
// comctl32 static, for one, never frees the record it makes for the font of
// a text static: five such records stay behind for every About box.)
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app_driver.h"
#include "bare_box.h"
#include "res/resource_ids.h"

namespace {

using zentrail::soak::kReportHeapBytes;
using zentrail::soak::kRunBareBox;

INT_PTR CALLBACK EndOnCommand(HWND box, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    EndDialog(box, LOWORD(wParam));
    return TRUE;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kRunBareBox:
            DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), window,
                            EndOnCommand, 0);
            return 0;
        case kReportHeapBytes:
            return static_cast<LRESULT>(zentrail::drive::HeapBytesInUse());
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "ZentrailSoakBareOwner";
    if (RegisterClassA(&windowClass) == 0) return 1;
    const HWND owner = CreateWindowExA(0, windowClass.lpszClassName, zentrail::soak::kBareCaption,
                                       WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr,
                                       instance, nullptr);
    if (owner == nullptr) return 1;
    ShowWindow(owner, show);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CoUninitialize();
    return 0;
}
