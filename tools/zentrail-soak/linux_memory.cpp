#include "linux_memory.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace zentrail::soak {

namespace {

// A whole file of /proc; its files report no size, so read until the end.
bool ReadProcFile(const std::string& path, std::string& content) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    content.clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        content.append(chunk, got);
    }
    CloseHandle(file);
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The NUL-separated entries of a /proc cmdline or environment file.
std::vector<std::string> Entries(const std::string& content) {
    std::vector<std::string> entries;
    std::string::size_type start = 0;
    while (start < content.size()) {
        std::string::size_type end = content.find('\0', start);
        if (end == std::string::npos) end = content.size();
        entries.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

// The first program named on the command line is the one Wine runs; the
// others are arguments (this driver names the program it drives).
bool RunsProgram(const std::string& cmdline, const std::string& exeName) {
    for (const std::string& argument : Entries(cmdline)) {
        const std::string lower = Lower(argument);
        if (EndsWith(lower, ".exe")) return EndsWith(lower, Lower(exeName));
    }
    return false;
}

bool InPrefix(const std::string& environment, const std::string& prefix) {
    for (const std::string& entry : Entries(environment)) {
        if (entry == "WINEPREFIX=" + prefix) return true;
    }
    return false;
}

}  // namespace

int FindLinuxProcess(const std::string& exeName, std::string& error) {
    char prefix[MAX_PATH] = {};
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix) == 0) {
        error = "WINEPREFIX is not set: not under Wine, or started without it";
        return 0;
    }
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        error = "cannot list Z:\\proc";
        return 0;
    }
    int found = 0;
    int matches = 0;
    do {
        const char* name = entry.cFileName;
        if (!std::isdigit(static_cast<unsigned char>(name[0]))) continue;
        const std::string dir = std::string("Z:\\proc\\") + name;
        std::string cmdline;
        std::string environment;
        if (!ReadProcFile(dir + "\\cmdline", cmdline) || !RunsProgram(cmdline, exeName)) continue;
        if (!ReadProcFile(dir + "\\environ", environment) || !InPrefix(environment, prefix))
            continue;
        found = std::atoi(name);
        ++matches;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (matches != 1) {
        error = std::to_string(matches) + " Linux processes run " + exeName + " in " + prefix;
        return 0;
    }
    return found;
}

namespace {

bool PrivateBytesIn(const std::string& processDir, std::uint64_t& bytes) {
    std::string rollup;
    if (!ReadProcFile(processDir + "\\smaps_rollup", rollup)) return false;
    std::uint64_t kib = 0;
    int fields = 0;
    for (const char* field : {"Private_Clean:", "Private_Dirty:"}) {
        const std::string::size_type at = rollup.find(field);
        if (at == std::string::npos) continue;
        kib += std::strtoull(rollup.c_str() + at + std::string(field).size(), nullptr, 10);
        ++fields;
    }
    bytes = kib * 1024;
    return fields == 2;
}

}  // namespace

bool PrivateBytes(int linuxPid, std::uint64_t& bytes) {
    return PrivateBytesIn("Z:\\proc\\" + std::to_string(linuxPid), bytes);
}

}  // namespace zentrail::soak
