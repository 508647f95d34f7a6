#pragma once
#include <windows.h>

#include <string>

#include "loomkit/window_text.h"

namespace loomkit {

// The whole text of a window, read with GetWindowTextLengthA and
// GetWindowTextA; false (out unchanged) when no buffer could be had.
bool window_text_to_string(HWND window, std::string& out);

}  // namespace loomkit
