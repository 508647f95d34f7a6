// zentrail-startup: how long a Windows program takes to show its window, and
// how much memory it holds after running for a while, measured from another
// process as a person would see it.
//
//   zentrail-startup [--rounds N] [--poll-ms P] --program EXE CAPTION [--program EXE CAPTION]...
//   zentrail-startup --memory [--seconds S] [--fill TAG NAME] [--hold]
//                    --program EXE CAPTION [--program EXE CAPTION]...
//
// Start-up: one uncounted warm-up start of each program, then N rounds
// (default 31), each starting every program in turn, so that a disturbance
// of the shared machine hits all of them alike. A start is timed from just
// before CreateProcess until a visible top-level window with the caption
// answers a message, looked for every P ms (default 1; 0 only yields the
// processor); the program is then sent WM_CLOSE and must end with
// exit code 2, as after its Close button. Prints, in milliseconds,
//     startup NAME MIN MEDIAN
// for every program and, for every program after the first,
//     ratio FIRST NAME MIN_RATIO MEDIAN_RATIO
// with the first program's time over this one's.
//
// Memory: starts every program, types nothing but, with --fill, sets the tag
// and name fields (where the window has them, as Zentrail's has), lets all
// run for S seconds (default 60), and prints, sizes in KiB,
//     memory NAME S PEAK_WORKING_SET WORKING_SET PRIVATE_BYTES
// With --fill, Zentrail's output field must then show the tag of that name.
// With --hold it prints "hold" and waits for a line on standard input before
// closing the programs, so that the caller can look at them from outside.
//
// Exit code 0 when every step worked; 1 when a program did not start, show
// its window, keep running or end as after Close; 2 for bad usage; 77 when
// windows cannot be shown here (Wine without a display).
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app_driver.h"
#include "res/resource_ids.h"
#include "round_robin.h"
#include "tag/tag_composer.h"

namespace {

using namespace zentrail::drive;

constexpr int kNoDisplay = 77;
constexpr DWORD kWindowMs = 20000;
constexpr DWORD kExitMs = 10000;
constexpr int kExitAfterClose = 2;

struct Program {
    std::string path;  // as given, a POSIX path under Wine
    std::string caption;
    std::string name;  // the file name, for the report
    std::vector<double> ms;
};

struct Options {
    bool memory = false;
    int rounds = 31;
    // Pause between two looks for the window. A start-up takes about a
    // hundred milliseconds; a bare spin would hold one of the two cores and
    // load the window server that the starting program needs, for a
    // resolution that nobody could use.
    int pollMs = 1;
    int seconds = 60;
    bool fill = false;
    std::string tag;
    std::string nameText;
    bool hold = false;
    std::vector<Program> programs;
};

int Fail(const std::string& what) {
    std::fprintf(stderr, "zentrail-startup: %s\n", what.c_str());
    return 1;
}

int Usage() {
    std::fputs(
        "usage: zentrail-startup [--rounds N] [--poll-ms P] --program EXE CAPTION...\n"
        "       zentrail-startup --memory [--seconds S] [--fill TAG NAME] [--hold]"
        " --program EXE CAPTION...\n",
        stderr);
    return 2;
}

bool ParseCount(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const int left = argc - i - 1;
        if (arg == "--memory") {
            options.memory = true;
        } else if (arg == "--hold") {
            options.hold = true;
        } else if (arg == "--rounds" && left >= 1) {
            if (!ParseCount(argv[++i], 1, 10000, options.rounds)) return false;
        } else if (arg == "--poll-ms" && left >= 1) {
            if (!ParseCount(argv[++i], 0, 1000, options.pollMs)) return false;
        } else if (arg == "--seconds" && left >= 1) {
            if (!ParseCount(argv[++i], 0, 86400, options.seconds)) return false;
        } else if (arg == "--fill" && left >= 2) {
            options.fill = true;
            options.tag = argv[++i];
            options.nameText = argv[++i];
        } else if (arg == "--program" && left >= 2) {
            Program program;
            program.path = argv[++i];
            program.caption = argv[++i];
            program.name = FileName(program.path);
            options.programs.push_back(program);
        } else {
            return false;
        }
    }
    return !options.programs.empty();
}

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// The program's visible window with the caption once it answers messages;
// null when it did not come within the deadline or the program ended.
HWND AwaitWindow(const AppProcess& app, const std::string& caption, DWORD pollMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (const HWND window = app.FindWindowWithCaption(caption.c_str())) return window;
        if (!app.Running() || GetTickCount() - start >= kWindowMs) return nullptr;
        Sleep(pollMs);
    }
}

// Closes the program as the close box would; false (with the reason in
// error) when it did not end with the exit code of a Close.
bool CloseProgram(AppProcess& app, HWND window, const Program& program, std::string& error) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 0;
    if (!app.WaitForExit(kExitMs, code)) {
        app.End();
        error = program.name + " did not end after WM_CLOSE";
        return false;
    }
    if (code != kExitAfterClose) {
        error = program.name + " ended with exit code " + std::to_string(code);
        return false;
    }
    return true;
}

// One timed start; negative (with the reason in error) when it failed.
double TimeStart(AppProcess& app, const Program& program, DWORD pollMs, std::string& error) {
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    QueryPerformanceCounter(&before);
    if (!app.Start(WindowsPath(program.path), error)) return -1;
    const HWND window = AwaitWindow(app, program.caption, pollMs);
    QueryPerformanceCounter(&after);
    if (window == nullptr) {
        app.End();
        error = program.name + " showed no window \"" + program.caption + "\"";
        return -1;
    }
    if (!CloseProgram(app, window, program, error)) return -1;
    return Milliseconds(after.QuadPart - before.QuadPart);
}

int MeasureStartup(Options& options) {
    AppProcess app;
    std::string error;
    for (Program& program : options.programs) {
        if (TimeStart(app, program, options.pollMs, error) < 0) return Fail(error);
    }
    for (int round = 0; round < options.rounds; ++round) {
        for (Program& program : options.programs) {
            const double ms = TimeStart(app, program, options.pollMs, error);
            if (ms < 0) return Fail(error);
            program.ms.push_back(ms);
        }
    }

    std::printf(
        "# start-up to a visible window that answers: %d rounds, round-robin, "
        "after a warm-up start of each; min and median ms\n",
        options.rounds);
    std::vector<std::pair<double, double>> figures;
    for (const Program& program : options.programs) {
        const double low = *std::min_element(program.ms.begin(), program.ms.end());
        const double middle = zentrail_bench::median_of(program.ms);
        figures.emplace_back(low, middle);
        std::printf("startup %s %.2f %.2f\n", program.name.c_str(), low, middle);
    }
    for (std::size_t i = 1; i < options.programs.size(); ++i) {
        std::printf("ratio %s %s %.3f %.3f\n", options.programs[0].name.c_str(),
                    options.programs[i].name.c_str(), figures[0].first / figures[i].first,
                    figures[0].second / figures[i].second);
    }
    return 0;
}

// A program kept running for the memory reading.
struct Running {
    const Program* program = nullptr;
    std::unique_ptr<AppProcess> app;
    HWND window = nullptr;
    HANDLE process = nullptr;  // opened by its id, for the memory counters
};

int MeasureMemory(Options& options) {
    std::vector<Running> running;
    // Whatever happens, nothing is left running: AppProcess ends its program.
    struct Handles {
        std::vector<Running>& list;
        ~Handles() {
            for (Running& r : list) {
                if (r.process != nullptr) CloseHandle(r.process);
            }
        }
    } handles{running};

    if (options.fill && NameCode(options.nameText).empty()) {
        // Its output would be a number that changes every second.
        return Fail("the name must have a code");
    }
    std::string error;
    for (const Program& program : options.programs) {
        Running r;
        r.program = &program;
        r.app = std::make_unique<AppProcess>();
        if (!r.app->Start(WindowsPath(program.path), error)) return Fail(error);
        r.window = AwaitWindow(*r.app, program.caption, options.pollMs);
        running.push_back(std::move(r));
        Running& last = running.back();
        if (last.window == nullptr) {
            return Fail(program.name + " showed no window \"" + program.caption + "\"");
        }
        DWORD id = 0;
        GetWindowThreadProcessId(last.window, &id);
        last.process =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        if (last.process == nullptr) return Fail("cannot open " + program.name);
        if (options.fill) {
            const HWND tagField = GetDlgItem(last.window, IDC_TAG_FIELD);
            const HWND nameField = GetDlgItem(last.window, IDC_NAME_FIELD);
            if (tagField != nullptr && nameField != nullptr &&
                !(SetTextOf(tagField, options.tag) && SetTextOf(nameField, options.nameText))) {
                return Fail("cannot set the fields of " + program.name);
            }
        }
    }

    // Waits on the programs themselves: one that ends early is a failure,
    // and is noticed at once.
    std::vector<HANDLE> processes;
    for (const Running& r : running) processes.push_back(r.process);
    const DWORD waited =
        WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), FALSE,
                               static_cast<DWORD>(options.seconds) * 1000);
    if (waited != WAIT_TIMEOUT) {
        const std::size_t which = waited - WAIT_OBJECT_0;
        return Fail((which < running.size() ? running[which].program->name : "a program") +
                    " ended before its memory was read");
    }

    std::printf("# memory after running%s; KiB\n", options.fill ? ", tag and name set" : "");
    std::printf("# %-28s %8s %12s %12s %12s\n", "program", "seconds", "peak WS", "WS", "private");
    for (const Running& r : running) {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(r.process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                  sizeof counters)) {
            return Fail("cannot read the memory of " + r.program->name + ": error " +
                        std::to_string(GetLastError()));
        }
        std::printf("memory %s %d %lu %lu %lu\n", r.program->name.c_str(), options.seconds,
                    static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
                    static_cast<unsigned long>(counters.WorkingSetSize / 1024),
                    static_cast<unsigned long>(counters.PrivateUsage / 1024));
    }
    std::fflush(stdout);

    // A program that was working all along has refreshed its output.
    if (options.fill) {
        const std::string expected = options.tag + "_" + NameCode(options.nameText);
        for (const Running& r : running) {
            const HWND output = GetDlgItem(r.window, IDC_OUTPUT_FIELD);
            if (output == nullptr) continue;
            const std::string shown = TextOf(output);
            if (shown != expected) {
                return Fail(r.program->name + " shows \"" + shown + "\", not \"" + expected + "\"");
            }
        }
    }

    if (options.hold) {
        std::puts("hold");
        std::fflush(stdout);
        char line[64];
        if (std::fgets(line, sizeof line, stdin) == nullptr) {
            // The caller went away: close the programs all the same.
        }
    }

    for (Running& r : running) {
        if (!CloseProgram(*r.app, r.window, *r.program, error)) return Fail(error);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return Usage();
    if (!CanShowWindows()) {
        std::fputs("zentrail-startup: no display, nothing measured\n", stderr);
        return kNoDisplay;
    }
    return options.memory ? MeasureMemory(options) : MeasureStartup(options);
}
