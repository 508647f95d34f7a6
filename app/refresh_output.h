#pragma once
#include <windows.h>

// The main dialog's refresh timer: its identifier and its period.
constexpr UINT_PTR REFRESH_TIMER_ID = 130;
constexpr UINT REFRESH_PERIOD_MS = 500;

// One tick of the main dialog: reads the name field (1000) and the tag field
// (1001), writes the composed tag into the output field (1002) and starts the
// refresh timer again, so that the next tick comes a full period after this
// one. A tick that fails (no memory for a field's text) keeps the old output
// and still starts the timer: the next tick tries again.
void RefreshOutput(HWND dialog) noexcept;
