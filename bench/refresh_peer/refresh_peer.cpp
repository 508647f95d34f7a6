// The floor of Zentrail's idle cost: a dialog that does the least a refresh
// every 500 ms can do, a timer and SetWindowTextA of a fixed tag into one
// edit field, and nothing else. Whatever this costs the platform per tick
// (mostly the field's repaint) Zentrail pays too, before any work of its
// own. Close, Esc and WM_CLOSE end it with exit code 2, as they end Zentrail.
#include <windows.h>

#include "refresh_peer.h"

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kPeriodMs = 500;
// As long as a tag with a six-character code.
constexpr char kShown[] = "#bench_tTukGx";

INT_PTR CALLBACK RefreshPeerProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            SetTimer(window, kTimerId, kPeriodMs, nullptr);
            return TRUE;
        case WM_TIMER:
            SetDlgItemTextA(window, IDC_PEER_OUTPUT, kShown);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            KillTimer(window, kTimerId);
            DestroyWindow(window);
            PostQuitMessage(2);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    const HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_REFRESH_PEER), nullptr,
                                           RefreshPeerProc, 0);
    if (dialog == nullptr) return 0;
    ShowWindow(dialog, showCommand);
    MSG message{};
    BOOL got = FALSE;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}
