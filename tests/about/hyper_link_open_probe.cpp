// Started by the hyperlink tests as a link target: writes its process id to
// the file named by ZENTRAIL_LINK_PROBE_MARKER and ends at once. The file
// appears complete or not at all.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
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
