#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>

#include "loomkit/assertion.h"
#include "test_support.h"

namespace {

constexpr char kCaption[] = "Message";
constexpr int kMessageBoxTextId = 0xFFFF;
// The notice as the user should read it; the program keeps it in code page
// 932 and shows it through the 8-bit message box.
constexpr char kNoticeUtf8[] =
    "このテキストをこのソフトの開発者に渡せば、バグ発見の近道なります。\n \t\t"
    "開発者に知らせるときはこのテキストを転記してあげましょう。";

std::wstring Widen(const std::string& text, UINT codePage) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    std::string narrow(text.size() * 2 + 1, '\0');
    const int n =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                            static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return narrow;
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::wstring WideTextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

BOOL CALLBACK TakeIfMessageBox(HWND window, LPARAM found) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    // Visible only once WM_INITDIALOG has laid the box out.
    if (std::string(className) == "#32770" && IsWindowVisible(window) &&
        TextOf(window) == kCaption) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// A visible message box with our caption on the given thread.
HWND FindMessageBox(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, TakeIfMessageBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

int VisibleButtons(HWND box) {
    int buttons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(child)) ++buttons;
    }
    return buttons;
}

void PressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An empty folder of its own, removed with what the probe left in it.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        char name[64];
        std::snprintf(name, sizeof name, "zentrail-report-%lu-%lu", GetCurrentProcessId(),
                      GetTickCount());
        path_ = std::string(base) + name;
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TemporaryFolder() {
        DeleteFileA(File("ERROR_TEMP.txt").c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& path() const { return path_; }
    std::string File(const char* name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

// Whatever the probe starts, the shell's text viewer above all, joins its
// job; closing the job ends them all, even if this test fails half-way.
class ProcessJob {
  public:
    ProcessJob() : job_(CreateJobObjectA(nullptr, nullptr)) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    ~ProcessJob() { CloseHandle(job_); }
    ProcessJob(const ProcessJob&) = delete;
    ProcessJob& operator=(const ProcessJob&) = delete;

    HANDLE get() const { return job_; }
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION Accounting() const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &info, sizeof info,
                                  nullptr);
        return info;
    }

  private:
    HANDLE job_;
};

std::string ProbePath() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    return path.substr(0, path.find_last_of("\\/") + 1) + "report_probe.exe";
}

// What the test saw of one run of the probe, in the order it happened.
struct ProbeRun {
    std::string debugOutput;
    bool debugOutputBeforeBox = false;
    bool boxShown = false;
    std::string logWhenBoxShown;
    std::string boxText;
    std::wstring boxWideText;
    int boxButtons = 0;
    bool exited = false;
    DWORD exitCode = 0;
    DWORD processesStarted = 0;
};

// Starts the probe as this test's debuggee, so that its debugger output
// arrives here; presses OK on its notice; waits for its end.
void RunProbe(const TemporaryFolder& folder, ProcessJob& job, ProbeRun& run) {
    std::string commandLine = "\"" + ProbePath() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED | DEBUG_ONLY_THIS_PROCESS, nullptr,
                               folder.path().c_str(), &startup, &process))
        << "cannot start " << ProbePath();
    AssignProcessToJobObject(job.get(), process.hProcess);
    ResumeThread(process.hThread);

    const DWORD start = GetTickCount();
    while (!run.exited && GetTickCount() - start < 20000) {
        DEBUG_EVENT event{};
        if (WaitForDebugEvent(&event, 20)) {
            DWORD status = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
                case OUTPUT_DEBUG_STRING_EVENT: {
                    std::string text(event.u.DebugString.nDebugStringLength, '\0');
                    SIZE_T read = 0;
                    ReadProcessMemory(process.hProcess, event.u.DebugString.lpDebugStringData,
                                      &text[0], text.size(), &read);
                    text.resize(read);
                    if (!text.empty() && text.back() == '\0') text.pop_back();
                    run.debugOutput += text;
                    run.debugOutputBeforeBox = !run.boxShown;
                    break;
                }
                case CREATE_PROCESS_DEBUG_EVENT:
                    CloseHandle(event.u.CreateProcessInfo.hFile);
                    break;
                case LOAD_DLL_DEBUG_EVENT:
                    CloseHandle(event.u.LoadDll.hFile);
                    break;
                case EXCEPTION_DEBUG_EVENT:
                    // The loader's breakpoint is ours; anything else is the
                    // probe's own business.
                    if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                        status = DBG_EXCEPTION_NOT_HANDLED;
                    }
                    break;
                case EXIT_PROCESS_DEBUG_EVENT:
                    run.exited = true;
                    run.exitCode = event.u.ExitProcess.dwExitCode;
                    break;
                default:
                    break;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        }
        if (!run.boxShown) {
            if (const HWND box = FindMessageBox(process.dwThreadId)) {
                run.boxShown = true;
                run.logWhenBoxShown = ReadFile(folder.File("ERROR_TEMP.txt"));
                run.boxText = TextOf(GetDlgItem(box, kMessageBoxTextId));
                run.boxWideText = WideTextOf(GetDlgItem(box, kMessageBoxTextId));
                run.boxButtons = VisibleButtons(box);
                PressOk(box);
            }
        }
    }
    if (!run.exited) TerminateProcess(process.hProcess, 0);
    run.processesStarted = job.Accounting().TotalProcesses - 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(ReportAssertion, LogsShowsTheNoticeAndEndsTheProcessWithMinusOne) {
    SKIP_WITHOUT_DISPLAY();
    TemporaryFolder folder;
    ProcessJob job;
    ProbeRun run;
    RunProbe(folder, job, run);

    // Nothing that the probe started may outlive the test.
    TerminateJobObject(job.get(), 0);
    EXPECT_TRUE(WaitUntil([&] { return job.Accounting().ActiveProcesses == 0; }))
        << job.Accounting().ActiveProcesses << " processes left running";

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(0xFFFFFFFFu, run.exitCode);

    // The record: four lines, CR LF between them, none after the last.
    const std::string log = ReadFile(folder.File("ERROR_TEMP.txt"));
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(log, parts,
                                 std::regex("LOOMKIT_ASSERT\\(false\\):\r\n"
                                            "file:(.+) / \r\n"
                                            " line:([0-9]+) / \r\n"
                                            " message: \\(unknown\\)")))
        << log;
    const std::string file = parts[1];
    EXPECT_EQ("report_probe.cpp", file.substr(file.find_last_of("\\/") + 1)) << file;

    // In order: debugger output, the log on disk, then the notice.
    EXPECT_EQ(std::regex_replace(log, std::regex("\r\n"), "\n"), run.debugOutput);
    EXPECT_TRUE(run.debugOutputBeforeBox);
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(log, run.logWhenBoxShown);

    // The exact code page 932 bytes, shown through the 8-bit box: whatever
    // the code page of this system makes of them is what the box holds.
    const std::string notice = Narrow(Widen(kNoticeUtf8, CP_UTF8), 932);
    ASSERT_FALSE(notice.empty()) << "no code page 932 on this system";
    EXPECT_EQ(Widen(notice, CP_ACP), run.boxWideText);
    if (Narrow(Widen(notice, CP_ACP), CP_ACP) == notice) {
        EXPECT_EQ(notice, run.boxText);
    }
    EXPECT_EQ(1, run.boxButtons);

    std::printf("The shell started %lu program(s) for the log; all ended.\n", run.processesStarted);
}

TEST(ShowMessage, ShowsTheTextInAPlainMessageBox) {
    SKIP_WITHOUT_DISPLAY();
    std::atomic<DWORD> thread{0};
    std::int32_t result = -1;
    std::thread shower([&] {
        thread = GetCurrentThreadId();
        result = loomkit::show_message("failed get %s", "version");
    });
    HWND box = nullptr;
    const bool shown = WaitUntil([&] { return (box = FindMessageBox(thread)) != nullptr; });
    std::string text, caption;
    int buttons = 0;
    if (shown) {
        text = TextOf(GetDlgItem(box, kMessageBoxTextId));
        buttons = VisibleButtons(box);
        PressOk(box);
    } else {
        PostThreadMessageA(thread, WM_QUIT, 0, 0);
    }
    shower.join();

    ASSERT_TRUE(shown);
    EXPECT_EQ("failed get version", text);
    EXPECT_EQ(1, buttons);
    EXPECT_EQ(IDOK, result);
}

}  // namespace
