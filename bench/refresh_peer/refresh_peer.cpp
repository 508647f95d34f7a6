// The floor of Zentrail's idle cost: a dialog that does the least a refresh
// every 500 ms can do, a timer and SetWindowTextA of a fixed tag into one
// edit field, and nothing else. Whatever this costs the platform per tick
// (mostly the field's repaint) Zentrail pays too, before any work of its
// own. It runs as the minimal dialog program does (modeless_run.h).
#include <windows.h>

#include "modeless_run.h"
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
        default:
            // The timer goes with the window.
            return EndOnCancel(window, message, wParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
    return RunModelessDialog(instance, IDD_REFRESH_PEER, RefreshPeerProc, showCommand);
}
