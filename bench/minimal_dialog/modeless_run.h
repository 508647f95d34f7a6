#pragma once
// What the yardstick programs share with each other and with Zentrail's way
// of running: one modeless dialog and its message pump.
#include <windows.h>

// Shows the dialog of templateId with procedure and pumps its messages,
// dialog keys included, until a quit message. Returns its exit code, 0 when
// the dialog could not be made, 1 when the loop itself failed.
int RunModelessDialog(HINSTANCE instance, int templateId, DLGPROC procedure, int showCommand);

// For a dialog procedure: Close, Esc and WM_CLOSE (IDCANCEL) end the run with
// exit code 2, as they end Zentrail. TRUE when the message was that command.
INT_PTR EndOnCancel(HWND dialog, UINT message, WPARAM wParam);
