#pragma once
// What Linux sees of a program running under Wine, read from a Windows
// program through Wine's Z: drive: the Linux process behind it and its
// private memory. Under Windows proper there is no such view, and the calls
// say so by failing.
#include <windows.h>

#include <cstdint>
#include <string>

namespace zentrail::soak {

// The Linux process id of the Wine process running the program whose image
// file name ends in exeName (case-insensitive) and that shares this
// process's WINEPREFIX; 0 when there is not exactly one (why in error).
int FindLinuxProcess(const std::string& exeName, std::string& error);

// Private_Clean + Private_Dirty of /proc/PID/smaps_rollup, in bytes; false
// when it cannot be read.
bool PrivateBytes(int linuxPid, std::uint64_t& bytes);

}  // namespace zentrail::soak
