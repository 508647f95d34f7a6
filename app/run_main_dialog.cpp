#include "app/run_main_dialog.h"

#include "app/main_dialog.h"
#include "shell/app_module.h"
#include "shell/message_loop.h"

int RunMainDialog(LPSTR /*commandLine*/, int showCommand) {
    MessageLoop loop;
    // The main dialog joins the loop it finds for its thread; without one it
    // would never get its keyboard, so no window is made at all.
    if (!appModule.RegisterLoop(&loop)) return 0;

    MainDialog dialog;
    int result = 0;
    if (dialog.CreateModeless(nullptr, 0) != nullptr) {
        ShowWindow(dialog.Handle(), showCommand);
        result = loop.Pump();
    }
    appModule.UnregisterLoop();
    // The dialog ends first, and with it a window that a quit message from
    // elsewhere left standing; then the loop releases its lists.
    return result;
}
