// A failed check in a program of its own: the record on disk, the notice,
// the exit code, and nothing left running.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "test_support.h"

namespace {

// The notice as the user should read it; the program keeps it in code page
// 932 and shows it through the 8-bit message box.
constexpr char kNoticeUtf8[] =
    "このテキストをこのソフトの開発者に渡せば、バグ発見の近道なります。\n \t\t"
    "開発者に知らせるときはこのテキストを転記してあげましょう。";

std::wstring Widen(const std::string& text, UINT codePage) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            static_cast<int>(wide.size()))));
    return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    std::string narrow(text.size() * 2 + 1, '\0');
    narrow.resize(static_cast<std::size_t>(
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                            static_cast<int>(narrow.size()), nullptr, nullptr)));
    return narrow;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh folder for the probe to run in, and a job that ends whatever the
// probe starts (the shell's viewer of the log above all), even if the test
// fails half-way.
struct Sandbox {
    Sandbox() {
        CreateDirectoryA(folder.c_str(), nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    ~Sandbox() {
        CloseHandle(job);
        DeleteFileA(Log().c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string Log() const { return folder + "\\ERROR_TEMP.txt"; }
    DWORD ActiveProcesses() const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                  nullptr);
        return info.ActiveProcesses;
    }

    const std::string folder = ProbePath() + ".report-" + std::to_string(GetCurrentProcessId());
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
};

TEST(ReportAssertion, LogsShowsTheNoticeAndEndsTheProcessWithMinusOne) {
    SKIP_WITHOUT_DISPLAY();
    Sandbox sandbox;
    std::string commandLine = "\"" + ProbePath() + "\" report";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // This test is the probe's debugger, so that its debugger output comes here.
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED | DEBUG_ONLY_THIS_PROCESS, nullptr,
                               sandbox.folder.c_str(), &startup, &process))
        << "cannot start " << commandLine;
    AssignProcessToJobObject(sandbox.job, process.hProcess);
    ResumeThread(process.hThread);

    // What happened, in order; OK is pressed on the notice once it shows.
    HWND box = nullptr;
    std::string debugOutput, logWhenShown;
    std::wstring boxWideText;
    bool outputBeforeBox = false, exited = false;
    DWORD exitCode = 0, buttons = 0;
    for (const DWORD start = GetTickCount(); !exited && GetTickCount() - start < 20000;) {
        DEBUG_EVENT event{};
        if (WaitForDebugEvent(&event, 20)) {
            DWORD status = DBG_CONTINUE;
            const auto& u = event.u;
            if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
                std::string text(u.DebugString.nDebugStringLength, '\0');
                ReadProcessMemory(process.hProcess, u.DebugString.lpDebugStringData, &text[0],
                                  text.size(), nullptr);
                debugOutput += text.c_str();
                outputBeforeBox = box == nullptr;
            } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
                       u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;  // the probe's own business
            } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
                exited = true;
                exitCode = u.ExitProcess.dwExitCode;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        }
        // Visible only once WM_INITDIALOG has laid the box out.
        if (box != nullptr || !IsWindowVisible(FindWindowA("#32770", "Message"))) continue;
        box = FindWindowA("#32770", "Message");
        logWhenShown = ReadFile(sandbox.Log());
        wchar_t wide[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, wide, 1024);  // the message box's text
        boxWideText = wide;
        for (HWND b = nullptr; (b = FindWindowExA(box, b, "Button", nullptr)) != nullptr;)
            buttons += IsWindowVisible(b) != FALSE;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Nothing that the probe started may outlive the test, nor the probe itself.
    TerminateJobObject(sandbox.job, 0);
    EXPECT_TRUE(WaitUntil([&] { return sandbox.ActiveProcesses() == 0; }))
        << sandbox.ActiveProcesses() << " processes left running";

    ASSERT_NE(nullptr, box) << "no notice";
    EXPECT_TRUE(exited && exitCode == 0xFFFFFFFFu) << exitCode;
    // Four lines, CR LF between them, none after the last; on disk before the
    // notice shows.
    const std::string log = ReadFile(sandbox.Log());
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(log, parts,
                                 std::regex("LOOMKIT_ASSERT\\(false\\):\r\n"
                                            "file:(.+) / \r\n"
                                            " line:([0-9]+) / \r\n"
                                            " message: \\(unknown\\)")))
        << log;
    const std::string file = parts[1];
    EXPECT_EQ("probe.cpp", file.substr(file.find_last_of("\\/") + 1)) << file;
    // In order: debugger output, the log on disk, then the notice.
    EXPECT_EQ(std::regex_replace(log, std::regex("\r\n"), "\n"), debugOutput);
    EXPECT_TRUE(outputBeforeBox);
    EXPECT_EQ(log, logWhenShown);

    // The exact code page 932 bytes, shown through the 8-bit box: whatever
    // the code page of this system makes of them is what the box holds.
    const std::string notice = Narrow(Widen(kNoticeUtf8, CP_UTF8), 932);
    ASSERT_FALSE(notice.empty()) << "no code page 932 on this system";
    EXPECT_EQ(Widen(notice, CP_ACP), boxWideText);
    EXPECT_EQ(1u, buttons);
}

}  // namespace
