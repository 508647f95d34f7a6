#include "app_driver.h"

#include "res/resource_ids.h"

#include <vector>

namespace zentrail::drive {

namespace {

constexpr DWORD kPollMs = 10;
// A window that does not answer within this long counts as unreadable.
constexpr UINT kAnswerMs = 2000;
// How long a key press and the foreground switch may take to arrive.
constexpr DWORD kSettleMs = 2000;
// For a window to appear or take the focus, and the output to follow.
constexpr DWORD kWindowMs = 15000;

struct CaptionSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<CaptionSearch*>(param);
    if (!IsWindowVisible(window) || TextOf(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

INPUT KeyInput(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT MouseInput(POINT point, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    input.mi.dx = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

bool Send(std::vector<INPUT>& inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

}  // namespace

bool CanShowWindows() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    if (!underWine) return true;
    char display[256] = {};
    return GetEnvironmentVariableA("DISPLAY", display, sizeof display) > 0;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(kPollMs);
    }
}

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    for (char& c : out) {
        if (c == '/') c = '\\';
    }
    return out;
}

AppProcess::~AppProcess() { End(); }

bool AppProcess::Start(const std::string& exe, std::string& error) {
    End();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        error = "cannot start " + exe + ": error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    threadId_ = info.dwThreadId;
    return true;
}

bool AppProcess::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND AppProcess::FindWindowWithCaption(const char* caption) const {
    CaptionSearch search{caption, nullptr};
    EnumThreadWindows(threadId_, MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AppProcess::WaitForWindow(const char* caption, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowWithCaption(caption)) != nullptr; }, timeoutMs);
    return found;
}

bool AppProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process_, &exitCode) != 0;
}

void AppProcess::End() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
    }
    CloseHandle(process_);
    process_ = nullptr;
    threadId_ = 0;
}

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs,
                             &length)) {
        return {};
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kAnswerMs, &copied)) {
        return {};
    }
    text.resize(copied < length ? copied : length);
    return text;
}

bool SetTextOf(HWND window, const std::string& text) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_ABORTIFHUNG, kAnswerMs, &result) != 0 &&
           result != 0;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

RECT RectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool BringToFront(HWND window) {
    return WaitFor(
        [&] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return GetForegroundWindow() == window;
        },
        kSettleMs);
}

bool ReadyForInput(DWORD threadId, HWND window) {
    const auto ready = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(threadId, &info) && info.hwndActive == window &&
               info.hwndFocus != nullptr;
    };
    return BringToFront(window) && WaitFor(ready, kWindowMs);
}

bool PressKey(WORD virtualKey, WORD modifier) {
    std::vector<INPUT> inputs;
    if (modifier != 0) inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(virtualKey, false));
    inputs.push_back(KeyInput(virtualKey, true));
    if (modifier != 0) inputs.push_back(KeyInput(modifier, true));
    return Send(inputs);
}

bool TypeText(const std::string& text) {
    for (const char c : text) {
        const SHORT key = VkKeyScanA(c);
        if (key == -1) return false;
        const bool shift = (HIBYTE(key) & 1) != 0;
        if (!PressKey(LOBYTE(key), shift ? VK_SHIFT : 0)) return false;
    }
    return true;
}

bool MoveMouseTo(POINT point) {
    std::vector<INPUT> inputs{MouseInput(point, MOUSEEVENTF_MOVE)};
    return Send(inputs);
}

bool ClickAt(POINT point) {
    std::vector<INPUT> inputs{MouseInput(point, MOUSEEVENTF_MOVE),
                              MouseInput(point, MOUSEEVENTF_LEFTDOWN),
                              MouseInput(point, MOUSEEVENTF_LEFTUP)};
    return Send(inputs);
}

bool ClipboardText(std::string& text) {
    if (!OpenClipboard(nullptr)) return false;
    bool got = false;
    if (const HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* chars = static_cast<const char*>(GlobalLock(data))) {
            text = chars;
            got = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return got;
}

bool EmptyTheClipboard() {
    if (!OpenClipboard(nullptr)) return false;
    const bool emptied = EmptyClipboard() != 0;
    CloseClipboard();
    return emptied;
}

HWND StartAndType(AppProcess& app, const std::string& exe, const std::string& tag,
                  const std::string& name, const std::string& expected, std::string& error) {
    if (!app.Start(WindowsPath(exe), error)) return nullptr;
    const HWND main = app.WaitForWindow("Zentrail2", kWindowMs);
    // The focus starts in the tag field; Tab moves on to the name field.
    if (main == nullptr || !ReadyForInput(app.ThreadId(), main) || !TypeText(tag) ||
        !PressKey(VK_TAB) || !TypeText(name)) {
        error = "cannot type into the main window";
        return nullptr;
    }
    const HWND output = GetDlgItem(main, IDC_OUTPUT_FIELD);
    if (!WaitFor([&] { return TextOf(output) == expected; }, kWindowMs)) {
        error = "the output did not become " + expected + " but is " + TextOf(output);
        return nullptr;
    }
    return main;
}

SIZE_T HeapBytesInUse(bool withHeaders) {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T inUse = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                inUse += entry.cbData + (withHeaders ? entry.cbOverhead : 0);
            }
        }
        HeapUnlock(heaps[i]);
    }
    return inUse;
}

}  // namespace zentrail::drive
