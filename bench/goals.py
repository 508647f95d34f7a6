#!/usr/bin/env python3
"""Judges the speed goals from the figures of the benchmark programs.

Reads the native Google Benchmark results (JSON) and the round-robin results
(text) of each Windows build, measures zentrail-tag on standard input, and
prints the contenders' figures and then one line per goal: its name, the
measured ratio, the target and ok or MISSED. Ratios come from the minima (on a
shared machine noise only ever adds time); the ratio of the medians is shown
beside them. A goal of a build that cannot run on this machine (the i686 one
where no 32-bit process starts) is not measurable here: it shows no verdict
and counts neither way. Exit code 1 when a goal is missed, 0 otherwise.

The goals of each Windows build that runs include Zentrail.exe's start-up
against a minimal dialog program built the same way, and its idle CPU time
with a name set.

After the goals come report lines without targets, which never change the
exit code: the cost of reading the clock in a refresh, and for each Windows
build the sizes of Zentrail.exe and of the minimal dialog program, the
largest symbols of Zentrail.exe, their start-up times under Wine, the idle
CPU time of the refresh peer (a field rewritten every 500 ms, the floor of
Zentrail's own) and, when it was measured, their memory after a minute of
running.
"""

import argparse
import json
import os
import random
import subprocess
import sys

# (goal, build, kind, ours, peer, target)
#   kind "faster": peer time / our time, at least target
#   kind "time":   our time / peer time, at most target
# The same goals in every build that can run here, against the peers built
# the same way; the SSE2 routine has more to gain where registers are few.
BUILDS = ("native", "x64", "i686")
GOALS = []
for build in BUILDS:
    GOALS += [
        ("mt_regen_plain vs std::mt19937, 624 words", build, "faster",
         "mt_regen_plain/624_words", "std_mt19937/624_values", 1.0),
        ("mt_regen_sse2 vs std::mt19937, 624 words", build, "faster",
         "mt_regen_sse2/624_words", "std_mt19937/624_values", 4.0 if build == "i686" else 3.0),
        ("mt_regen_mmx vs std::mt19937, 624 words", build, "faster",
         "mt_regen_mmx/624_words", "std_mt19937/624_values", 1.5),
        ("mt_next (SSE2) vs std::mt19937, per value", build, "time",
         "mt_next_sse2/624_values", "std_mt19937/624_values", 0.5),
        ("refresh vs std::mt19937 seed + first value", build, "time",
         "refresh/20B_name", "std_mt19937/seed_first", 1.0),
    ]
    if build == "native":
        GOALS.append(("refresh vs boost mt19937 seed + first value", build, "time",
                      "refresh/20B_name", "boost_mt19937/seed_first", 1.0))
    for size, target in (("16B", 1.0), ("1KiB", 1.2), ("1MiB", 1.2)):
        GOALS.append((f"Crc32 vs boost::crc_optimal, {size}", build, "faster",
                      f"Crc32/{size}", f"boost_crc/{size}", target))

# The Windows builds by their labels, and the strip tool of each for the
# stripped sizes.
WINDOWS_BUILDS = ("i686", "x64")
STRIP = {"i686": "i686-w64-mingw32-strip", "x64": "x86_64-w64-mingw32-strip"}
NM = {"i686": "i686-w64-mingw32-nm", "x64": "x86_64-w64-mingw32-nm"}

TAG_TOOL_NAMES_PER_SECOND = 20e6
TAG_TOOL_VS_PYTHON = 10.0
STARTUP_RATIO = 1.15  # Zentrail.exe's start-up over the minimal dialog program's
IDLE_SHARE = 0.2  # per cent of one core, with a name set
TOP_SYMBOLS = 10
TAG_TOOL_MEMORY_GROWTH = 1.10  # peak RSS wanders by some pages from run to run
SMALL_RUN, LARGE_RUN = 1_000_000, 10_000_000
NAME_BYTES = 20


def read_native(path):
    """name -> (min ns, median ns) from Google Benchmark's JSON aggregates."""
    figures = {}
    if not path or not os.path.exists(path):
        return figures
    with open(path) as f:
        report = json.load(f)
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    for run in report.get("benchmarks", []):
        if run.get("run_type") != "aggregate" or run.get("error_occurred"):
            continue
        kind = run.get("aggregate_name")
        if kind not in ("min", "median"):
            continue
        # CPU time: the process's own time, which other people's work on a
        # shared machine disturbs least.
        ns = run["cpu_time"] * scale[run.get("time_unit", "ns")]
        entry = figures.setdefault(run["run_name"], [None, None])
        entry[0 if kind == "min" else 1] = ns
    return {k: tuple(v) for k, v in figures.items() if None not in v}


def read_rounds(path):
    """name -> (min ns, median ns) from the round-robin program's lines."""
    figures = {}
    if not path or not os.path.exists(path):
        return figures
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) == 4 and not line.startswith("#"):
                figures[fields[0]] = (float(fields[2]), float(fields[3]))
    return figures


# --- zentrail-tag ------------------------------------------------------------

ALPHABET = b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"


def crc32_bzip2(data):
    c = 0xFFFFFFFF
    for byte in data:
        c ^= byte << 24
        for _ in range(8):
            c = ((c << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if c & 0x80000000 else (c << 1) & 0xFFFFFFFF
    return c ^ 0xFFFFFFFF


def base62(value):
    digits = b""
    while value:
        digits = ALPHABET[value % 62:value % 62 + 1] + digits
        value //= 62
    return digits


def names_file(work, count):
    """A file of count lines of NAME_BYTES letters and digits, made once."""
    path = os.path.join(work, f"names-{count}.txt")
    if os.path.exists(path) and os.path.getsize(path) == count * (NAME_BYTES + 1):
        return path
    rng = random.Random(count)
    table = bytes(ALPHABET[i % len(ALPHABET)] for i in range(256))
    with open(path + ".part", "wb") as f:
        chunk = 100_000
        for start in range(0, count, chunk):
            n = min(chunk, count - start)
            raw = rng.randbytes(n * NAME_BYTES).translate(table)
            f.write(b"".join(raw[i:i + NAME_BYTES] + b"\n"
                             for i in range(0, len(raw), NAME_BYTES)))
    os.replace(path + ".part", path)
    return path


def run_tool(command, path, work):
    """(CPU seconds, wall seconds, peak RSS in KiB, exit code) of one run
    reading path on standard input.

    GNU time starts the tool, so that the peak RSS is the tool's own: a child
    forked from this interpreter would count the interpreter's pages as well.
    CPU time (user and system) is what other people's work disturbs least.
    """
    figures = os.path.join(work, "time.txt")
    with open(path, "rb") as names:
        done = subprocess.run(
            ["/usr/bin/time", "-f", "%e %U %S %M %x", "-o", figures] + command + ["#bench"],
            stdin=names, stdout=subprocess.DEVNULL, check=False)
    with open(figures) as f:
        wall, user, system, rss, code = f.read().split()[-5:]
    code = int(code) if done.returncode == 0 else done.returncode
    return float(user) + float(system), float(wall), int(rss), code


def check_tool(tool, path):
    """Empty when the tool's tags for the first names are right, else what is wrong."""
    with open(path, "rb") as f:
        names = [f.readline().rstrip(b"\n") for _ in range(2000)]
    fixed_second = "1234567890"  # seeds the fallback of a name whose checksum is 0
    done = subprocess.run([tool, "--time", fixed_second, "#bench"], input=b"\n".join(names) + b"\n",
                          capture_output=True, check=False)
    if done.returncode != 0:
        return f"exit code {done.returncode}"
    lines = done.stdout.split(b"\n")
    for i, name in enumerate(names):
        code = base62(crc32_bzip2(name)) or b"2657703298"
        if i >= len(lines) or lines[i] != b"#bench_" + code:
            return f"line {i + 1}: {lines[i] if i < len(lines) else b''!r}, expected #bench_{code!r}"
    return ""


def check_peer(peer, tool, path):
    """Empty when the peer's tags of the first names are the tool's, else what differs."""
    with open(path, "rb") as f:
        names = b"".join(f.readline() for _ in range(2000))
    tags = []
    for command in (peer, [tool]):
        done = subprocess.run(command + ["#bench"], input=names, capture_output=True, check=False)
        if done.returncode != 0:
            return f"{command[-1]}: exit code {done.returncode}: {done.stderr[-300:]!r}"
        tags.append(done.stdout.split(b"\n"))
    for i, (theirs, ours) in enumerate(zip(*tags)):
        if theirs != ours:
            return f"line {i + 1}: {theirs!r}, the tool's {ours!r}"
    if len(tags[0]) != len(tags[1]):
        return f"{len(tags[0])} lines, the tool's {len(tags[1])}"
    return ""


def measure_peer(peer, tool, work):
    """(names per CPU second of the Python peer, ""), or (None, what is wrong)."""
    small = names_file(work, SMALL_RUN)
    wrong = check_peer(peer, tool, small)
    if wrong:
        return None, "peer differs: " + wrong
    runs = [run_tool(peer, small, work) for _ in range(2)]
    if any(run[3] != 0 for run in runs):
        return None, "peer exit code not 0"
    return SMALL_RUN / min(run[0] for run in runs), ""


def measure_tool(tool, work):
    """(names per CPU second, peak RSS growth, notes), or (None, None, what is wrong)."""
    small, large = names_file(work, SMALL_RUN), names_file(work, LARGE_RUN)
    wrong = check_tool(tool, small)
    if wrong:
        return None, None, "wrong output: " + wrong
    runs = [run_tool([tool], large, work) for _ in range(3)]
    small_runs = [run_tool([tool], small, work) for _ in range(3)]
    if any(run[3] != 0 for run in runs + small_runs):
        return None, None, "exit code not 0"
    rate = LARGE_RUN / min(run[0] for run in runs)
    wall_rate = LARGE_RUN / min(run[1] for run in runs)
    large_rss, small_rss = max(run[2] for run in runs), max(run[2] for run in small_runs)
    return rate, large_rss / small_rss, (f"wall {wall_rate / 1e6:.2f}M/s",
                                         f"{large_rss} KiB vs {small_rss} KiB")


# --- Zentrail.exe: size, start-up, memory (reported, no targets) -------------

def read_lines(path, kind):
    """The fields after the kind of every line of that kind in path."""
    if not path or not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.split()[1:] for line in f if line.split()[:1] == [kind]]


def program_sizes(build, paths, work):
    """[(file name, stripped bytes, unstripped bytes or None)] of a Windows
    build's programs; None for a stripped size that could not be had."""
    sizes = []
    for path in paths:
        name = os.path.basename(path)
        if not os.path.exists(path):
            sizes.append((name, None, None))
            continue
        stripped = os.path.join(work, f"stripped-{build}-{name}")
        done = subprocess.run([STRIP[build], "-o", stripped, path], capture_output=True,
                              check=False)
        sizes.append((name, os.path.getsize(stripped) if done.returncode == 0 else None,
                      os.path.getsize(path)))
    return sizes


def largest_symbols(build, path):
    """[(bytes, symbol)] of the largest code and data symbols of an unstripped
    program, largest first; sizes are nm's, from the gaps between symbols."""
    done = subprocess.run([NM[build], "--size-sort", "-S", "-C", path], capture_output=True,
                          text=True, check=False)
    if done.returncode != 0:
        return [(0, f"nm failed: {done.stderr.strip()[-200:]}")]
    symbols = []
    for line in done.stdout.splitlines():
        fields = line.split(maxsplit=3)
        # Section symbols (".text", ".debug_info") span whole sections.
        if len(fields) == 4 and fields[2].lower() in "tdbr" and not fields[3].startswith("."):
            symbols.append((int(fields[1], 16), fields[3][:90]))
    return sorted(symbols, reverse=True)[:TOP_SYMBOLS]


def clock_line(build, figures):
    """The clock read of every tick, beside the tick's whole computation."""
    where = "native" if build == "native" else f"{build}, Wine"
    name = f"clock read (time) of a refresh ({where})"
    if "clock/time" not in figures:
        return name, "no figure"
    clock = figures["clock/time"][0]
    if "refresh/20B_name" not in figures:
        return name, f"min {clock:.1f} ns"
    share = 100 * clock / figures["refresh/20B_name"][0]
    return name, f"min {clock:.1f} ns, {share:.1f} % of the refresh"


def ratio_figure(have, kind, ours, peer):
    """The measured ratio of a goal as shown, and the ratio; None when a
    figure is missing."""
    if ours not in have or peer not in have:
        return "no figure", None
    if kind == "faster":
        ratio, median = have[peer][0] / have[ours][0], have[peer][1] / have[ours][1]
        return f"{ratio:.2f}x faster (median {median:.2f})", ratio
    ratio, median = have[ours][0] / have[peer][0], have[ours][1] / have[peer][1]
    return f"{ratio:.2f}x the time (median {median:.2f})", ratio


def report_lines(args, build, figures, not_measurable):
    """(name, figures) for every report line of one Windows build."""
    lines = []
    if build not in not_measurable:
        lines.append(clock_line(build, figures))
    paths = args.program_file.get(build, [])
    if not paths:
        lines.append((f"program sizes ({build})", "no figure"))
    for name, stripped, unstripped in program_sizes(build, paths, args.work):
        figure = "no figure" if stripped is None else \
            f"{stripped:,} B stripped ({unstripped:,} B unstripped)"
        lines.append((f"{name} size ({build})", figure))
        if name.lower() == "zentrail.exe" and unstripped is not None:
            for rank, (size, symbol) in enumerate(largest_symbols(build, paths[0]), 1):
                lines.append((f"  largest #{rank} ({build})", f"{size:>8,} B  {symbol}"))

    where = f"({build}, Wine)"
    if build in not_measurable:
        lines.append((f"start-up to a visible window {where}", "not measurable here"))
        if args.memory:
            lines.append((f"memory after a minute {where}", "not measurable here"))
        return lines

    startup_file = args.startup.get(build)
    startup = read_lines(startup_file, "startup")
    if not startup:
        lines.append((f"start-up to a visible window {where}", "no figure"))
    for name, low, middle in startup:
        lines.append((f"{name} start-up to a visible window {where}",
                      f"min {float(low):.1f} ms, median {float(middle):.1f} ms"))
    for ours, peer, low, middle in read_lines(startup_file, "ratio"):
        lines.append((f"{ours} start-up vs {peer} ({build})",
                      f"{float(low):.2f}x the time (median {float(middle):.2f})"))
    # The floor under the idle goal: what a bare rewrite of a field costs.
    peer = idle_figures(args, build).get("refresh_peer.exe")
    lines.append((f"idle CPU of refresh_peer.exe, a field rewritten every 500 ms {where}",
                  "no figure" if peer is None else peer[1]))

    if not args.memory:
        lines.append((f"memory after a minute {where}", "not measured (scripts/bench --memory)"))
        return lines
    memory_file = args.memory.get(build)
    memory = read_lines(memory_file, "memory")
    if not memory:
        lines.append((f"memory after a minute {where}", "no figure"))
    linux = {fields[0]: [int(x) for x in fields[1:]] for fields in read_lines(memory_file, "linux")}
    for name, seconds, peak, current, private in memory:
        figure = f"working set {int(current):,} KiB (peak {int(peak):,} KiB)"
        # Wine counts no private bytes for another process; Linux does.
        if int(private):
            figure += f", private {int(private):,} KiB"
        if name in linux:
            pss, own = linux[name][2:]
            figure += f"; Linux: PSS {pss:,} KiB, private {own:,} KiB"
        lines.append((f"{name} memory after {seconds} s {where}", figure))
    return lines


def windows_goals(args, windows, not_measurable):
    """(name, measured, wanted, verdict) of the start-up and idle goals of the
    Windows builds."""
    lines = []
    for build in windows:
        startup_name = f"Zentrail.exe start-up vs the minimal dialog program ({build})"
        idle_name = f"Zentrail.exe idle CPU with a name set, one core ({build})"
        startup_wanted, idle_wanted = f"<= {STARTUP_RATIO}x", f"< {IDLE_SHARE} %"
        if build in not_measurable:
            lines.append((startup_name, "not measurable here", startup_wanted, None))
            lines.append((idle_name, "not measurable here", idle_wanted, None))
            continue
        ratios = [r for r in read_lines(args.startup.get(build), "ratio")
                  if r[1] == "minimal_dialog.exe"]
        if not ratios:
            lines.append((startup_name, "no figure", startup_wanted, False))
        for _, _, low, middle in ratios[:1]:
            lines.append((startup_name, f"{float(low):.2f}x the time (median {float(middle):.2f})",
                          startup_wanted, float(low) <= STARTUP_RATIO))
        idle = idle_figures(args, build).get("Zentrail.exe")
        if idle is None:
            lines.append((idle_name, "no figure", idle_wanted, False))
        else:
            share, figure = idle
            lines.append((idle_name, figure, idle_wanted, share < IDLE_SHARE))
    return lines


def idle_figures(args, build):
    """{program: (share of one core in %, its text)} of the idle lines of a
    Windows build."""
    figures = {}
    for name, seconds, cpu in read_lines(args.idle.get(build), "idle"):
        share = 100 * float(cpu) / float(seconds)
        figures[name] = (share, f"{share:.3f} % ({float(cpu):.2f} s CPU in {seconds} s)")
    return figures


# --- report ------------------------------------------------------------------

def print_figures(title, figures):
    print(f"{title}: {'min ns/op':>14} {'median ns/op':>14}")
    for name, (low, mid) in figures.items():
        print(f"  {name:<30} {low:14.2f} {mid:14.2f}")


def build_file(text):
    """BUILD=FILE, as the per-build options take it."""
    build, sep, path = text.partition("=")
    if not sep or build not in WINDOWS_BUILDS or not path:
        raise argparse.ArgumentTypeError(
            f"expected BUILD=FILE with BUILD one of {', '.join(WINDOWS_BUILDS)}: {text!r}")
    return build, path


def windows_build(text):
    if text not in WINDOWS_BUILDS:
        raise argparse.ArgumentTypeError(f"not one of {', '.join(WINDOWS_BUILDS)}: {text!r}")
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native", help="Google Benchmark JSON of the native build")
    parser.add_argument("--rounds", type=build_file, action="append", default=[],
                        metavar="BUILD=FILE",
                        help="output of zentrail-bench-rounds of a Windows build (repeatable)")
    parser.add_argument("--not-measurable", type=windows_build, action="append", default=[],
                        metavar="BUILD",
                        help="a Windows build that cannot run on this machine (repeatable)")
    parser.add_argument("--tag-tool", help="native release zentrail-tag")
    parser.add_argument("--tag-peer", nargs="+", metavar="ARG",
                        help="the Python peer's command line (before its tag argument)")
    parser.add_argument("--idle", type=build_file, action="append", default=[],
                        metavar="BUILD=FILE",
                        help="idle CPU time of Zentrail.exe and of the refresh peer of a "
                        "Windows build, as scripts/bench writes it (repeatable)")
    parser.add_argument("--work", default=".", help="folder for the generated name files")
    parser.add_argument("--startup", type=build_file, action="append", default=[],
                        metavar="BUILD=FILE",
                        help="output of zentrail-startup of a Windows build (repeatable)")
    parser.add_argument("--memory", type=build_file, action="append", default=[],
                        metavar="BUILD=FILE",
                        help="output of zentrail-startup --memory of a Windows build, with the "
                        "Linux-side lines of scripts/bench (repeatable)")
    parser.add_argument("--program-file", type=build_file, action="append", default=[],
                        metavar="BUILD=FILE",
                        help="a program of a Windows build whose size is reported (repeatable)")
    args = parser.parse_args()
    rounds = dict(args.rounds)
    not_measurable = set(args.not_measurable)
    both = not_measurable & set(rounds)
    if both:
        parser.error(f"both measured and not measurable: {', '.join(sorted(both))}")
    args.startup, args.memory, args.idle = dict(args.startup), dict(args.memory), dict(args.idle)
    program_files = {}
    for build, path in args.program_file:
        program_files.setdefault(build, []).append(path)
    args.program_file = program_files

    figures = {"native": read_native(args.native)}
    print_figures("native (Google Benchmark, CPU time)", figures["native"])
    # A Windows build that ran but left no file has no figures: its goals
    # are missed, not unmeasurable.
    windows = [b for b in WINDOWS_BUILDS if b in rounds or b in not_measurable
               or b in args.startup or b in args.memory or b in args.idle
               or b in args.program_file]
    for build in windows:
        if build in not_measurable:
            print(f"{build} under Wine: not measurable here")
            continue
        figures[build] = read_rounds(rounds.get(build))
        print_figures(f"{build} under Wine (round-robin, wall time)", figures[build])

    # (name, measured, wanted, verdict): True met, False missed, None not
    # measurable here.
    lines = []
    for goal, build, kind, ours, peer, target in GOALS:
        wanted = f"{'>=' if kind == 'faster' else '<='} {target}x"
        if build in not_measurable:
            lines.append((f"{goal} ({build})", "not measurable here", wanted, None))
            continue
        measured, ratio = ratio_figure(figures.get(build, {}), kind, ours, peer)
        ok = ratio is not None and (ratio >= target if kind == "faster" else ratio <= target)
        lines.append((f"{goal} ({build})", measured, wanted, ok))

    if args.tag_tool:
        rate, growth, note = measure_tool(args.tag_tool, args.work)
        name = f"zentrail-tag, {NAME_BYTES}-byte names on stdin (native)"
        if rate is None:
            lines.append((name, note, f">= {TAG_TOOL_NAMES_PER_SECOND / 1e6:g}M names/s", False))
        else:
            lines.append((name, f"{rate / 1e6:.2f}M names/s CPU ({note[0]})",
                          f">= {TAG_TOOL_NAMES_PER_SECOND / 1e6:g}M names/s",
                          rate >= TAG_TOOL_NAMES_PER_SECOND))
            if args.tag_peer:
                peer_rate, wrong = measure_peer(args.tag_peer, args.tag_tool, args.work)
                peer_name = "zentrail-tag vs a Python peer (crcmod), names/s (native)"
                wanted = f">= {TAG_TOOL_VS_PYTHON:g}x"
                if peer_rate is None:
                    lines.append((peer_name, wrong, wanted, False))
                else:
                    lines.append((peer_name, f"{rate / peer_rate:.1f}x faster "
                                  f"(peer {peer_rate / 1e6:.2f}M/s)", wanted,
                                  rate / peer_rate >= TAG_TOOL_VS_PYTHON))
            lines.append(("zentrail-tag peak RSS, 10M vs 1M names (native)",
                          f"{growth:.2f}x ({note[1]})", f"<= {TAG_TOOL_MEMORY_GROWTH}x",
                          growth <= TAG_TOOL_MEMORY_GROWTH))

    lines += windows_goals(args, windows, not_measurable)

    print("goals:")
    width = max(len(line[0]) for line in lines)
    verdicts = {True: "ok", False: "MISSED", None: ""}
    for goal, measured, wanted, ok in lines:
        print(f"  {goal:<{width}}  {measured:<34}  {wanted:<20}  {verdicts[ok]}".rstrip())
    missed = sum(1 for line in lines if line[3] is False)
    unmeasurable = sum(1 for line in lines if line[3] is None)
    measurable = len(lines) - unmeasurable
    if unmeasurable:
        print(f"{measurable - missed} of {measurable} measurable goals met, "
              f"{unmeasurable} not measurable here")
    else:
        print(f"{measurable - missed} of {measurable} goals met")

    reports = [line for build in windows
               for line in report_lines(args, build, figures.get(build, {}), not_measurable)]
    reports.insert(0, clock_line("native", figures["native"]))
    if reports:
        print("reports (no targets):")
        width = max(len(line[0]) for line in reports)
        for name, figure in reports:
            print(f"  {name:<{width}}  {figure}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
