#pragma once
// What the soak driver and zentrail-soak-bare agree on.
#include <windows.h>

namespace zentrail::soak {

constexpr char kBareProgram[] = "zentrail-soak-bare.exe";
constexpr char kBareCaption[] = "Zentrail soak bare";

// Posted to the bare window: run the About template once, modally.
constexpr UINT kRunBareBox = WM_APP;
// Sent to it: the bytes its heaps hold, blocks and headers, as the result.
constexpr UINT kReportHeapBytes = WM_APP + 1;

}  // namespace zentrail::soak
