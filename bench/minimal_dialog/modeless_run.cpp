#include "modeless_run.h"

int RunModelessDialog(HINSTANCE instance, int templateId, DLGPROC procedure, int showCommand) {
    const HWND dialog =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), nullptr, procedure, 0);
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
    // -1: the loop itself failed, which is no clean end.
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

INT_PTR EndOnCancel(HWND dialog, UINT message, WPARAM wParam) {
    if (message != WM_COMMAND || LOWORD(wParam) != IDCANCEL) return FALSE;
    DestroyWindow(dialog);
    PostQuitMessage(2);
    return TRUE;
}
