#pragma once
#include <windows.h>

#include <string>

#include "loomkit/window_text.h"

namespace loomkit {

// The text of a window, read with GetWindowTextLengthA and GetWindowTextA;
// as the text_source form above.
bool window_text_to_string(HWND window, std::string& out);

}  // namespace loomkit
