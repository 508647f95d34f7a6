// The one child program that the Windows tests start.
//   zentrail_probe          a link target: writes its process id to the file
//                           named by ZENTRAIL_LINK_PROBE_MARKER (complete or
//                           not at all) and ends
//   zentrail_probe report   fails a Boost check through the project's
//                           handler: log, debugger output, notice, exit -1
#include <windows.h>

#include <boost/assert.hpp>
#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (std::strcmp(commandLine, "report") == 0) BOOST_ASSERT(false);
    char marker[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("ZENTRAIL_LINK_PROBE_MARKER", marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 8) return 1;
    char partial[MAX_PATH];
    std::snprintf(partial, sizeof partial, "%s.part", marker);
    std::FILE* file = std::fopen(partial, "w");
    if (file == nullptr) return 1;
    std::fprintf(file, "%lu\n", GetCurrentProcessId());
    std::fclose(file);
    return MoveFileA(partial, marker) ? 0 : 1;
}
