#pragma once
#include <windows.h>

#include "shell/dialog_window.h"
#include "shell/message_loop.h"

// The program's main window, a modeless dialog (template 129) with the tag
// field, the name field, the output field and the Copy, About and Close
// buttons. It refreshes the output on its timer and is the filter of its
// thread's loop, so that the dialog manager gets the keyboard. It keeps no
// data beyond its window: the texts live in the controls.
class MainDialog final : public DialogWindow, public PreDispatchFilter, public IdleTask {
  public:
    MainDialog();

    BOOL HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       DWORD section) override;

    // IsDialogMessageA for this dialog.
    BOOL FilterMessage(MSG* msg) override;
    // Nothing to do when the queue runs dry.
    BOOL RunIdle() override;

  private:
    void HandleInitDialog();
    // False for a command that is not the dialog's.
    bool HandleCommand(WORD command);
    void RunAbout();
    void CopyOutput();
    void Close();
    void SetIcon(WPARAM which, int widthMetric, int heightMetric);
};
