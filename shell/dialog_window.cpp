#include "shell/dialog_window.h"

#include "shell/window_long.h"

namespace {

// A handled message whose result the dialog procedure returns itself; for
// every other one it goes to DWLP_MSGRESULT and the procedure returns TRUE.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_COMPAREITEM:
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return true;
        default:
            return false;
    }
}

// For a dialog that nobody announced: the dialog manager alone serves it.
INT_PTR CALLBACK UnclaimedDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

DialogWindow::~DialogWindow() {
    const HWND window = handle_;
    if (window == nullptr || !IsWindow(window)) return;
    // The derived part is gone already: its last messages go to the dialog
    // manager alone.
    SetWindowLongPtrA(window, DWLP_DLGPROC, AsWindowLong(&UnclaimedDialogProc));
    handle_ = nullptr;
    DestroyWindow(window);
}

HWND DialogWindow::CreateModeless(HWND parent, LPARAM initParam) {
    if (!Announce()) return nullptr;
    const HWND window = CreateDialogParamA(appModule.instance, MAKEINTRESOURCEA(templateId_),
                                           parent, FirstMessageProc, initParam);
    // A call that failed before the first message leaves the record behind.
    appModule.CancelCreation(&creation_);
    return window;
}

INT_PTR DialogWindow::RunModal(HWND parent, LPARAM initParam) {
    if (!Announce()) return -1;
    const INT_PTR result = DialogBoxParamA(appModule.instance, MAKEINTRESOURCEA(templateId_),
                                           parent, FirstMessageProc, initParam);
    appModule.CancelCreation(&creation_);
    return result;
}

ThunkTarget DialogWindow::EntryProc() { return reinterpret_cast<ThunkTarget>(&DialogMessageProc); }

// The thunk is written before the window exists, so that a lack of
// executable memory fails the create call instead of the first message.
bool DialogWindow::Announce() {
    if (!WriteThunk()) return false;
    appModule.PushCreation(&creation_, this);
    return true;
}

INT_PTR CALLBACK FirstMessageProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) noexcept {
    BoundWindow* object = appModule.TakeCreation();
    if (object == nullptr || !object->WriteThunk()) {
        // Nobody on this thread announced the dialog. Leave it to the dialog
        // manager, and stop this procedure from taking the record of a
        // dialog that is created later.
        SetWindowLongPtrA(window, DWLP_DLGPROC, AsWindowLong(&UnclaimedDialogProc));
        return FALSE;
    }
    object->handle_ = window;
    const DLGPROC thunk = object->thunk_.AsDialogProc();
    SetWindowLongPtrA(window, DWLP_DLGPROC, AsWindowLong(thunk));
    // From here on the platform calls the thunk; this first message takes
    // the same way.
    return thunk(window, message, wParam, lParam);
}

INT_PTR CALLBACK DialogMessageProc(BoundWindow* object, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
    // Read once: a handler that destroys its own window (Close) has cleared
    // the object's handle by the time it returns.
    const HWND window = object->handle_;
    LRESULT result = 0;
    if (object->Deliver(message, wParam, lParam, result)) {
        if (ReturnsResultDirectly(message)) return result;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_NCDESTROY) object->Unbind();
    return FALSE;
}
