#pragma once
#include <windows.h>

#include "shell/bound_window.h"

// A dialog made from a template of the program's resources and bound to its
// object from its very first message: the object announces itself to its
// thread right before the create call, and FirstMessageProc takes the
// announcement and installs the object's thunk as the dialog procedure.
class DialogWindow : public BoundWindow {
  public:
    // The dialog's first messages, WM_INITDIALOG among them, are handled
    // before this returns. Null on failure.
    HWND CreateModeless(HWND parent, LPARAM initParam);
    // Returns when the dialog calls EndDialog, with its value; -1 on failure.
    INT_PTR RunModal(HWND parent, LPARAM initParam);

    ThunkTarget EntryProc() final;

  protected:
    explicit DialogWindow(WORD templateId) : templateId_(templateId) {}
    // A dialog must not outlive its object (a quit message that the dialog
    // did not post ends the loop with the window still there): a window
    // still standing is cut loose from the object and destroyed.
    ~DialogWindow();

  private:
    bool Announce();

    const WORD templateId_;
};
