// zentrail-soak about PROGRAM CYCLES [REFERENCE_CYCLE]
// zentrail-soak ticks PROGRAM SECONDS NAME
//
// Long use of a running Zentrail.exe, driven from this process with real
// input, with what it costs printed as it goes.
//
// about: opens and closes the About box CYCLES times, by Alt+A and Esc and
// by the About and OK buttons in turn, with the mouse resting on a link
// every fourth cycle so that its tooltip and hand cursor are made. The
// program's GDI and USER object counts must be back to their level after
// the first cycle, and its private memory (Linux's view) must grow by less
// than 64 KiB from REFERENCE_CYCLE (default 50) to the last, beyond what the
// same cycles, by the same routes, of a bare dialog of the same template
// cost a process of its own (zentrail-soak-bare, built beside this driver):
// the growth of its private memory or of its heaps, whichever is larger.
//
// ticks: sets a tag and NAME (may be "") and watches the output for
// SECONDS. With a name the output must be the name's code, and rewritten
// within a refresh whenever something else is put there (once a second);
// with an empty name every second's first MT19937 value must be seen. The
// private memory after the first minute (or the first tenth of the run) and
// at the end must differ by less than 64 KiB.
//
// Exit status 0 when every check held, 77 without a display, else 1 with
// the reasons on stderr.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <set>
#include <string>

#include "app_driver.h"
#include "bare_box.h"
#include "linux_memory.h"
#include "reference_code.h"
#include "res/resource_ids.h"

namespace {

using namespace zentrail::drive;
using zentrail::soak::FindLinuxProcess;
using zentrail::soak::PrivateBytes;

constexpr DWORD kWindowMs = 15000;
constexpr std::uint64_t kAllowedGrowth = 64 * 1024;
// Longer than the tooltip's initial delay.
constexpr DWORD kHoverMs = 800;
const char kTag[] = "soak";

int g_failures = 0;

void Fail(const std::string& what) {
    std::fprintf(stderr, "zentrail-soak: %s\n", what.c_str());
    ++g_failures;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: zentrail-soak about PROGRAM CYCLES [REFERENCE_CYCLE]\n"
                 "       zentrail-soak ticks PROGRAM SECONDS NAME\n");
    return 2;
}

BOOL CALLBACK FindVisibleTooltip(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && ClassOf(window) == "tooltips_class32") {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool TooltipShown(DWORD threadId) {
    bool found = false;
    EnumThreadWindows(threadId, FindVisibleTooltip, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct Sample {
    DWORD gdi = 0;
    DWORD user = 0;
    std::uint64_t privateBytes = 0;
};

class Watched {
  public:
    bool Start(const char* program) {
        std::string error;
        if (!app_.Start(WindowsPath(program), error)) {
            Fail(error);
            return false;
        }
        main_ = app_.WaitForWindow("Zentrail2", kWindowMs);
        if (main_ == nullptr) {
            Fail("the main window did not appear");
            return false;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(main_, &pid);
        process_ = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
        linuxPid_ = FindLinuxProcess("Zentrail.exe", error);
        if (linuxPid_ == 0) Fail("cannot find the program's Linux process: " + error);
        return process_ != nullptr && linuxPid_ != 0;
    }
    ~Watched() {
        if (process_ != nullptr) CloseHandle(process_);
    }

    Sample Take() const {
        Sample sample;
        sample.gdi = GetGuiResources(process_, GR_GDIOBJECTS);
        sample.user = GetGuiResources(process_, GR_USEROBJECTS);
        if (!PrivateBytes(linuxPid_, sample.privateBytes)) Fail("cannot read smaps_rollup");
        return sample;
    }

    AppProcess& app() { return app_; }
    HWND main() const { return main_; }
    HWND Item(int id) const { return GetDlgItem(main_, id); }
    int linuxPid() const { return linuxPid_; }

  private:
    AppProcess app_;
    HWND main_ = nullptr;
    HANDLE process_ = nullptr;
    int linuxPid_ = 0;
};

void Print(const char* what, long at, const Sample& sample) {
    std::printf("%s %ld: GDI objects %lu, USER objects %lu, private %llu KiB\n", what, at,
                static_cast<unsigned long>(sample.gdi), static_cast<unsigned long>(sample.user),
                static_cast<unsigned long long>(sample.privateBytes / 1024));
    std::fflush(stdout);
}

long long Growth(std::uint64_t from, std::uint64_t to) {
    return static_cast<long long>(to) - static_cast<long long>(from);
}

// platformGrowth: what the platform itself gains over the same use, which
// the program cannot give back (0 when there is none to allow for).
void CheckGrowth(const char* what, const Sample& from, const Sample& to,
                 long long platformGrowth = 0) {
    const long long growth = Growth(from.privateBytes, to.privateBytes);
    std::printf("%s: private memory grew by %lld KiB", what, growth / 1024);
    if (platformGrowth != 0) {
        std::printf(", %lld KiB beyond the platform's own", (growth - platformGrowth) / 1024);
    }
    std::printf(" (limit %llu KiB)\n", static_cast<unsigned long long>(kAllowedGrowth / 1024));
    if (growth - platformGrowth >= static_cast<long long>(kAllowedGrowth)) {
        std::string why =
            std::string(what) + ": private memory grew by " + std::to_string(growth) + " bytes";
        if (platformGrowth != 0)
            why += ", " + std::to_string(platformGrowth) + " of them the platform's";
        Fail(why);
    }
}

// The link part of the About box's first line, which lies after its plain
// prefix: where the mouse rests to make the tooltip and the hand cursor.
POINT OverFirstLink(HWND box) {
    const RECT link = RectOf(GetDlgItem(box, IDC_WEBLOG_LINK));
    return POINT{link.left + (link.right - link.left) * 3 / 4, (link.top + link.bottom) / 2};
}

// Closes an About box of threadId by Esc typed or by its OK button clicked,
// and waits until it is gone and owner takes input again. what names the
// cycle in failures.
bool CloseBox(DWORD threadId, HWND box, HWND owner, bool byKeys, const std::string& what) {
    if (byKeys) {
        if (!ReadyForInput(threadId, box) || !PressKey(VK_ESCAPE)) {
            Fail(what + ": cannot press Esc");
            return false;
        }
    } else {
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    }
    if (!WaitFor([&] { return !IsWindow(box) && IsWindowEnabled(owner); }, kWindowMs)) {
        Fail(what + ": the About box did not close");
        return false;
    }
    return true;
}

// The Windows path of file in this driver's folder, where
// zentrail-soak-bare.exe is built.
std::string BesideThisDriver(const char* file) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const std::string::size_type slash = folder.find_last_of("\\/");
    folder.resize(slash == std::string::npos ? 0 : slash + 1);
    return folder + file;
}

// One run of the bare box, opened and closed as the program's box of that
// cycle is: Esc typed, or its OK button clicked; the mouse rests on the
// first link line every fourth cycle.
bool BareCycle(const AppProcess& bare, HWND owner, long cycle) {
    PostMessageA(owner, zentrail::soak::kRunBareBox, 0, 0);
    const HWND box = bare.WaitForWindow("About", kWindowMs);
    if (box == nullptr) {
        Fail("bare cycle " + std::to_string(cycle) + ": the box did not open");
        return false;
    }
    if (cycle % 4 == 1) {
        MoveMouseTo(OverFirstLink(box));
        Sleep(kHoverMs);
        MoveMouseTo(POINT{0, 0});
    }
    return CloseBox(bare.ThreadId(), box, owner, cycle % 2 == 1,
                    "bare cycle " + std::to_string(cycle));
}

// The bytes the bare process's heaps hold, blocks and headers; false when it
// does not answer.
bool BareHeapBytes(HWND owner, std::uint64_t& bytes) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(owner, zentrail::soak::kReportHeapBytes, 0, 0, SMTO_ABORTIFHUNG,
                            kWindowMs, &answer) == 0) {
        return false;
    }
    bytes = answer;
    return true;
}

// The platform's own cost of the About box over the same cycles: the same
// template, with the same manifest and platform set-up, run by the dialog
// manager alone in a fresh process (zentrail-soak-bare), measured at the
// same cycles. Wine keeps a little of every dialog it makes; that growth is
// the platform's, and the program is judged beyond it. It is the larger of
// the bare process's private memory growth and its heaps' growth: the heaps
// show exactly what is kept, while the pages depend on where earlier frees
// left room, which differs from process to process.
bool BareDialogGrowth(long cycles, long reference, long long& growth) {
    using zentrail::soak::kBareProgram;
    AppProcess bare;
    std::string error;
    if (!bare.Start(BesideThisDriver(kBareProgram), error)) {
        Fail(error);
        return false;
    }
    const HWND owner = bare.WaitForWindow(zentrail::soak::kBareCaption, kWindowMs);
    const int linuxPid = FindLinuxProcess(kBareProgram, error);
    if (owner == nullptr || linuxPid == 0) {
        Fail(owner == nullptr ? "the bare box's window did not appear"
                              : "cannot find the bare box's Linux process: " + error);
        return false;
    }
    std::uint64_t privateAt[2] = {};
    std::uint64_t heapAt[2] = {};
    for (long cycle = 1; cycle <= cycles; ++cycle) {
        if (!BareCycle(bare, owner, cycle)) return false;
        if (cycle == reference || cycle == cycles) {
            Sleep(200);
            const int at = cycle == reference ? 0 : 1;
            if (!PrivateBytes(linuxPid, privateAt[at]) || !BareHeapBytes(owner, heapAt[at])) {
                Fail("cannot read the bare box's memory");
                return false;
            }
        }
    }
    PostMessageA(owner, WM_CLOSE, 0, 0);
    const long long privateGrowth = Growth(privateAt[0], privateAt[1]);
    const long long heapGrowth = Growth(heapAt[0], heapAt[1]);
    std::printf(
        "about: the bare template, met with the same input in a process of its own, from cycle "
        "%ld to %ld: private memory grew by %lld KiB, its heaps by %lld bytes\n",
        reference, cycles, privateGrowth / 1024, heapGrowth);
    // A reference that shrank allows nothing rather than tightening the limit.
    growth = std::max({0LL, privateGrowth, heapGrowth});
    return true;
}

// One open and close of the About box; false when it went wrong.
bool AboutCycle(Watched& watched, long cycle, int& tooltips) {
    AppProcess& app = watched.app();
    const bool byKeys = cycle % 2 == 1;
    if (byKeys) {
        if (!ReadyForInput(app.ThreadId(), watched.main()) || !PressKey('A', VK_MENU)) {
            Fail("cycle " + std::to_string(cycle) + ": cannot press Alt+A");
            return false;
        }
    } else {
        PostMessageA(watched.Item(IDC_ABOUT), BM_CLICK, 0, 0);
    }
    const HWND about = app.WaitForWindow("About", kWindowMs);
    if (about == nullptr) {
        Fail("cycle " + std::to_string(cycle) + ": the About box did not open");
        return false;
    }
    if (cycle % 4 == 1) {
        MoveMouseTo(OverFirstLink(about));
        if (WaitFor([&] { return TooltipShown(app.ThreadId()); }, kHoverMs)) ++tooltips;
        MoveMouseTo(POINT{0, 0});
    }
    return CloseBox(app.ThreadId(), about, watched.main(), byKeys,
                    "cycle " + std::to_string(cycle));
}

int SoakAbout(const char* program, long cycles, long reference) {
    Watched watched;
    if (!watched.Start(program)) return 1;
    std::printf("about: %ld cycles, Linux process %d\n", cycles, watched.linuxPid());
    Sample first;
    Sample atReference;
    int tooltips = 0;
    for (long cycle = 1; cycle <= cycles; ++cycle) {
        if (!AboutCycle(watched, cycle, tooltips)) return 1;
        if (cycle == 1 || cycle == reference || cycle == cycles || cycle % 50 == 0) {
            // Let the closed box's last messages be handled first.
            Sleep(200);
            const Sample sample = watched.Take();
            Print("after cycle", cycle, sample);
            if (cycle == 1) first = sample;
            if (cycle == reference) atReference = sample;
        }
    }
    const Sample last = watched.Take();
    std::printf("about: a tooltip was seen in %d of %ld hovers\n", tooltips, (cycles + 3) / 4);
    if (tooltips == 0) Fail("no tooltip was ever seen: the hovers missed the link");
    if (first.gdi == 0 && first.user == 0) {
        std::printf(
            "about: GetGuiResources gives 0 for a process with windows: not implemented "
            "here, the object counts are checked in process by the tests\n");
    } else if (last.gdi != first.gdi || last.user != first.user) {
        Fail("GDI/USER objects after cycle 1: " + std::to_string(first.gdi) + "/" +
             std::to_string(first.user) + ", at the end: " + std::to_string(last.gdi) + "/" +
             std::to_string(last.user));
    }
    long long platformGrowth = 0;
    if (!BareDialogGrowth(cycles, reference, platformGrowth)) return 1;
    CheckGrowth(
        ("about, cycle " + std::to_string(reference) + " to " + std::to_string(cycles)).c_str(),
        atReference, last, platformGrowth);
    return g_failures == 0 ? 0 : 1;
}

std::string RandomOutput(std::time_t second) {
    std::mt19937 engine(static_cast<std::uint32_t>(second));
    return std::string(kTag) + "_" + std::to_string(engine());
}

int SoakTicks(const char* program, long seconds, const std::string& name) {
    Watched watched;
    if (!watched.Start(program)) return 1;
    const HWND output = watched.Item(IDC_OUTPUT_FIELD);
    if (!SetTextOf(watched.Item(IDC_TAG_FIELD), kTag) ||
        !SetTextOf(watched.Item(IDC_NAME_FIELD), name)) {
        Fail("cannot set the fields");
        return 1;
    }
    const std::string named = zentrail::soak::ReferenceOutput(kTag, name);
    std::printf("ticks: %ld s with %s, Linux process %d\n", seconds,
                name.empty() ? "an empty name" : ("the name \"" + name + "\"").c_str(),
                watched.linuxPid());
    // The first tick after the fields were set.
    Sleep(1000);
    const std::time_t start = std::time(nullptr);
    const long settle = seconds >= 600 ? 60 : seconds / 10;
    Sample early = watched.Take();
    Print("second", 0, early);
    std::set<std::time_t> seen;
    long rewritten = 0;
    long overwrites = 0;
    long nextSample = 60;
    bool settled = settle == 0;
    for (;;) {
        const std::time_t now = std::time(nullptr);
        const long elapsed = static_cast<long>(now - start);
        if (elapsed >= seconds) break;
        if (name.empty()) {
            const std::string text = TextOf(output);
            for (std::time_t second = now - 1; second <= now + 1; ++second) {
                if (text == RandomOutput(second)) seen.insert(second);
            }
            Sleep(100);
        } else {
            // Something else in the field, once a second: the next tick must
            // put the code back.
            ++overwrites;
            SetTextOf(output, "-");
            if (WaitFor([&] { return TextOf(output) == named; }, 1500)) {
                ++rewritten;
            } else {
                Fail("second " + std::to_string(elapsed) + ": the output is \"" + TextOf(output) +
                     "\", not \"" + named + "\"");
            }
            const DWORD spent = static_cast<DWORD>(GetTickCount() % 1000);
            Sleep(1000 - spent % 1000);
        }
        if (!settled && elapsed >= settle) {
            settled = true;
            early = watched.Take();
            Print("second", elapsed, early);
        }
        if (elapsed >= nextSample) {
            Print("second", elapsed, watched.Take());
            nextSample += 60;
        }
    }
    const Sample last = watched.Take();
    Print("second", seconds, last);
    if (name.empty()) {
        // The first and last seconds may lie partly outside the watch.
        long missing = 0;
        for (std::time_t second = start + 1; second < start + seconds - 1; ++second) {
            if (seen.count(second) == 0) {
                ++missing;
                if (missing <= 5)
                    Fail("the value of second " + std::to_string(second) + " never showed");
            }
        }
        std::printf("ticks: %zu seconds' values seen, %ld missing\n", seen.size(), missing);
    } else {
        std::printf("ticks: the output was rewritten %ld of %ld times\n", rewritten, overwrites);
    }
    CheckGrowth("ticks, after the first minute to the end", early, last);
    if (!watched.app().Running()) Fail("the program ended during the run");
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const std::string mode = argv[1];
    const long count = std::strtol(argv[3], nullptr, 10);
    if (count <= 0) return Usage();
    if (!CanShowWindows()) {
        // The skip code of the tests that run this.
        std::fprintf(stderr, "zentrail-soak: no display to show the program on\n");
        return 77;
    }
    if (mode == "about" && argc <= 5) {
        const long reference = argc == 5 ? std::strtol(argv[4], nullptr, 10) : 50;
        if (reference <= 1 || reference >= count) return Usage();
        return SoakAbout(argv[2], count, reference);
    }
    if (mode == "ticks" && argc == 5) return SoakTicks(argv[2], count, argv[4]);
    return Usage();
}
