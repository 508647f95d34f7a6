#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Drives a running Zentrail.exe from another process the way a person would:
// finds its windows, reads and sets field texts, and types and clicks with
// real input that passes through the program's message loop. Used by the
// end-to-end tests, the soak, the release's smoke check and the screenshot
// helper.
namespace zentrail::drive {

// True when windows can be shown: always on Windows, with a display under
// Wine.
bool CanShowWindows();

// Polls condition every 10 ms until it holds or timeoutMs have passed; the
// result is the condition's last value.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

// A path as Windows programs take it: a POSIX path (as the build knows its
// files under Wine) becomes one on drive Z:, which Wine maps to the root.
std::string WindowsPath(const std::string& path);

// One started program. A program still running when the object ends is
// terminated, so that nothing is left behind.
class AppProcess {
  public:
    AppProcess() = default;
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Starts exe with a normal show command; false (with the reason in
    // error) when it could not be started.
    bool Start(const std::string& exe, std::string& error);

    DWORD ThreadId() const { return threadId_; }
    bool Running() const;

    // A visible top-level window of the program's main thread with exactly
    // this caption; null when there is none.
    HWND FindWindowWithCaption(const char* caption) const;
    HWND WaitForWindow(const char* caption, DWORD timeoutMs) const;

    // True when the program ended within timeoutMs; exitCode is then its
    // exit code.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;
    // Terminates the program if it still runs and waits for it.
    void End();

  private:
    HANDLE process_ = nullptr;
    DWORD threadId_ = 0;
};

// The text of a window in any process; empty when it cannot be read.
std::string TextOf(HWND window);
bool SetTextOf(HWND window, const std::string& text);
std::string ClassOf(HWND window);
RECT RectOf(HWND window);

// Makes window the foreground window, so that key input goes to it.
bool BringToFront(HWND window);
// Real input reaches a window only once its thread (threadId) has taken the
// activation and the keyboard focus: brings it to the front and waits.
bool ReadyForInput(DWORD threadId, HWND window);

// Real key presses. PressKey presses and releases one virtual key while the
// given modifiers (VK_MENU, VK_SHIFT, VK_CONTROL; 0 for none) are held.
bool PressKey(WORD virtualKey, WORD modifier = 0);
// Types printable ASCII text key by key, with Shift where the layout needs it.
bool TypeText(const std::string& text);
// The mouse moved to, or a left click at, a point of the screen.
bool MoveMouseTo(POINT point);
bool ClickAt(POINT point);

// The clipboard's CF_TEXT; false when it holds none or cannot be opened.
bool ClipboardText(std::string& text);
bool EmptyTheClipboard();

// Starts exe, waits for its main window and types tag, Tab and name into it
// with real keys until the output shows expected; null, with the reason in
// error, when a step fails.
HWND StartAndType(AppProcess& app, const std::string& exe, const std::string& tag,
                  const std::string& name, const std::string& expected, std::string& error);

// The bytes this process's heaps hold in blocks, with their headers or not,
// by walking them.
SIZE_T HeapBytesInUse(bool withHeaders = true);

}  // namespace zentrail::drive
