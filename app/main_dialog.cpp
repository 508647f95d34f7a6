#include "app/main_dialog.h"

#include "about/about_dialog.h"
#include "app/refresh_output.h"
#include "res/resource_ids.h"
#include "shell/app_module.h"

namespace {

// The exit code after the user closed the window.
constexpr int kClosedExitCode = 2;

}  // namespace

MainDialog::MainDialog() : DialogWindow(IDD_MAIN) {}

BOOL MainDialog::HandleMessage(HWND /*window*/, UINT message, WPARAM wParam, LPARAM /*lParam*/,
                               LRESULT& result, DWORD section) {
    if (section != 0) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            HandleInitDialog();
            // The dialog manager puts the focus on the first tab stop.
            result = TRUE;
            return TRUE;
        case WM_TIMER:
            // Whatever the timer: the output is only ever recomputed.
            RefreshOutput(Handle());
            result = 0;
            return TRUE;
        case WM_COMMAND: {
            // The notification code does not matter, only the command.
            if (!HandleCommand(LOWORD(wParam))) return FALSE;
            result = 0;
            return TRUE;
        }
        default:
            return FALSE;
    }
}

BOOL MainDialog::FilterMessage(MSG* msg) { return IsDialogMessageA(Handle(), msg); }

BOOL MainDialog::RunIdle() { return 0; }

void MainDialog::HandleInitDialog() {
    PlaceCentred(nullptr);
    SetIcon(ICON_BIG, SM_CXICON, SM_CYICON);
    SetIcon(ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
    // The process entry registered the loop before creating the dialog.
    if (MessageLoop* loop = appModule.LoopForThread(GetCurrentThreadId())) {
        loop->AddFilter(this);
        loop->AddIdleTask(this);
    }
    SetTimer(Handle(), REFRESH_TIMER_ID, REFRESH_PERIOD_MS, nullptr);
}

void MainDialog::SetIcon(WPARAM which, int widthMetric, int heightMetric) {
    const HANDLE icon =
        LoadImageA(appModule.instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                   GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR);
    SendMessageA(Handle(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
}

bool MainDialog::HandleCommand(WORD command) {
    switch (command) {
        case IDC_ABOUT:
            RunAbout();
            return true;
        case IDOK:
            CopyOutput();
            return true;
        case IDCANCEL:
            Close();
            return true;
        default:
            return false;
    }
}

void MainDialog::RunAbout() {
    AboutDialog about;
    about.RunModal(GetActiveWindow(), 0);
}

void MainDialog::CopyOutput() {
    // The edit control copies its selection: select all of it first.
    const HWND output = GetDlgItem(Handle(), IDC_OUTPUT_FIELD);
    SendMessageA(output, EM_SETSEL, 0, -1);
    SendMessageA(output, EM_SCROLLCARET, 0, 0);
    SendMessageA(output, WM_COPY, 0, 0);
}

void MainDialog::Close() {
    DestroyWindow(Handle());
    PostQuitMessage(kClosedExitCode);
}
