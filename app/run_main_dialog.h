#pragma once
#include <windows.h>

// The main thread's run: registers a message loop for the thread, creates
// and shows the main dialog, and pumps until a quit message arrives. Returns
// that message's wParam, or 0 when the loop could not be registered or the
// dialog could not be created; in both cases no window is left behind. The
// command line is not used. Needs appModule initialised and its map made.
int RunMainDialog(LPSTR commandLine, int showCommand);
