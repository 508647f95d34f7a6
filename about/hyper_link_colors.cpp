#include <cstdlib>

#include "about/hyper_link.h"

namespace {

// atoi as the platform's C library defines it, overflow included (the value
// saturates): a registry value of eleven digits must not be undefined
// behaviour.
int ToInt(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 10)); }

}  // namespace

COLORREF ParseColorText(char* text) {
    if (text == nullptr) return CLR_INVALID;
    char* position = text;
    int parts[2] = {-1, -1};  // red, green
    for (int& part : parts) {
        char* comma = position;
        while (*comma != '\0' && *comma != ',') comma = CharNextA(comma);
        if (*comma == ',') {
            *comma = '\0';
            part = ToInt(position);
            position = comma + 1;
        }
        if (part == -1) return CLR_INVALID;
    }
    if (*position == '\0') return CLR_INVALID;
    const int blue = ToInt(position);
    return RGB(parts[0] & 0xFF, parts[1] & 0xFF, blue & 0xFF);
}

// The user's browser settings, when present, give the link colours. Read
// access is all a read needs (a restricted account may be refused more), and
// the buffer is cleared between the values so that no byte of the first can
// end up in the second.
void HyperLink::ReadRegistryColors() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Settings", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    // Values of up to 12 bytes are read; the 13th byte keeps one without a
    // terminator of its own a C string.
    char text[13];
    const auto read = [&](const char* name, COLORREF& color) {
        ZeroMemory(text, sizeof text);
        DWORD size = sizeof text - 1;
        if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS) {
            return;
        }
        const COLORREF parsed = ParseColorText(text);
        if (parsed != CLR_INVALID) color = parsed;
    };
    read("Anchor Color", linkColor);
    read("Anchor Color Visited", visitedColor);
    RegCloseKey(key);
}
