#!/usr/bin/env python3
"""Judges the speed goals from the figures of both benchmark programs.

Reads the native Google Benchmark results (JSON) and the 32-bit round-robin
results (text), measures zentrail-tag on standard input, and prints the
contenders' figures and then one line per goal: its name, the measured ratio,
the target and ok or MISSED. Ratios come from the minima (on a shared machine
noise only ever adds time); the ratio of the medians is shown beside them.
Exit code 1 when a goal is missed, 0 otherwise.

After the goals come report lines without targets, which never change the
exit code: the sizes of Zentrail.exe and of a minimal dialog program built the
same way, their start-up times under Wine and, when it was measured, their
memory after a minute of running.
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
GOALS = [
    ("mt_regen_sse2 vs std::mt19937, 624 words", "i686", "faster",
     "mt_regen_sse2/624_words", "std_mt19937/624_values", 4.0),
    ("mt_regen_sse2 vs mt_regen_plain", "i686", "faster",
     "mt_regen_sse2/624_words", "mt_regen_plain/624_words", 4.0),
    ("mt_regen_mmx vs mt_regen_plain", "i686", "faster",
     "mt_regen_mmx/624_words", "mt_regen_plain/624_words", 1.7),
    ("mt_regen_plain vs std::mt19937, 624 words", "i686", "faster",
     "mt_regen_plain/624_words", "std_mt19937/624_values", 1.0),
    ("mt_next (SSE2) vs std::mt19937, per value", "i686", "time",
     "mt_next_sse2/624_values", "std_mt19937/624_values", 0.5),
    ("refresh vs std::mt19937 seed + first value", "i686", "time",
     "refresh/20B_name", "std_mt19937/seed_first", 0.9),
    ("refresh vs boost mt19937 seed + first value", "native", "time",
     "refresh/20B_name", "boost_mt19937/seed_first", 1.0),
]
for build in ("i686", "native"):
    for size, target in (("16B", 1.0), ("1KiB", 1.1), ("1MiB", 1.1)):
        GOALS.append((f"Crc32 vs boost::crc_optimal, {size}", build, "faster",
                      f"Crc32/{size}", f"boost_crc/{size}", target))

TAG_TOOL_NAMES_PER_SECOND = 5e6
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


def run_tool(tool, path, work):
    """(CPU seconds, wall seconds, peak RSS in KiB, exit code) of one run
    reading path on standard input.

    GNU time starts the tool, so that the peak RSS is the tool's own: a child
    forked from this interpreter would count the interpreter's pages as well.
    CPU time (user and system) is what other people's work disturbs least.
    """
    figures = os.path.join(work, "time.txt")
    with open(path, "rb") as names:
        done = subprocess.run(
            ["/usr/bin/time", "-f", "%e %U %S %M %x", "-o", figures, tool, "#bench"],
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


def measure_tool(tool, work):
    """(names per CPU second, peak RSS growth, notes), or (None, None, what is wrong)."""
    small, large = names_file(work, SMALL_RUN), names_file(work, LARGE_RUN)
    wrong = check_tool(tool, small)
    if wrong:
        return None, None, "wrong output: " + wrong
    runs = [run_tool(tool, large, work) for _ in range(3)]
    small_runs = [run_tool(tool, small, work) for _ in range(3)]
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


def program_sizes(strip, paths, work):
    """[(file name, stripped bytes, unstripped bytes or None)]; None for a
    stripped size that could not be had."""
    sizes = []
    for path in paths:
        name = os.path.basename(path)
        if not os.path.exists(path):
            sizes.append((name, None, None))
            continue
        stripped = os.path.join(work, "stripped-" + name)
        done = subprocess.run([strip, "-o", stripped, path], capture_output=True, check=False)
        sizes.append((name, os.path.getsize(stripped) if done.returncode == 0 else None,
                      os.path.getsize(path)))
    return sizes


def report_lines(args):
    """(name, figures) for every report line."""
    lines = []
    if not args.program_file:
        lines.append(("program sizes", "no figure"))
    for name, stripped, unstripped in program_sizes(args.strip, args.program_file, args.work):
        figure = "no figure" if stripped is None else \
            f"{stripped:,} B stripped ({unstripped:,} B unstripped)"
        lines.append((f"{name} size", figure))

    startup = read_lines(args.startup, "startup")
    if not startup:
        lines.append(("start-up to a visible window (i686, Wine)", "no figure"))
    for name, low, middle in startup:
        lines.append((f"{name} start-up to a visible window (i686, Wine)",
                      f"min {float(low):.1f} ms, median {float(middle):.1f} ms"))
    for ours, peer, low, middle in read_lines(args.startup, "ratio"):
        lines.append((f"{ours} start-up vs {peer}",
                      f"{float(low):.2f}x the time (median {float(middle):.2f})"))

    if not args.memory:
        lines.append(("memory after a minute", "not measured (scripts/bench --memory)"))
        return lines
    memory = read_lines(args.memory, "memory")
    if not memory:
        lines.append(("memory after a minute", "no figure"))
    linux = {fields[0]: [int(x) for x in fields[1:]] for fields in read_lines(args.memory, "linux")}
    for name, seconds, peak, current, private in memory:
        figure = f"working set {int(current):,} KiB (peak {int(peak):,} KiB)"
        # Wine counts no private bytes for another process; Linux does.
        if int(private):
            figure += f", private {int(private):,} KiB"
        if name in linux:
            pss, own = linux[name][2:]
            figure += f"; Linux: PSS {pss:,} KiB, private {own:,} KiB"
        lines.append((f"{name} memory after {seconds} s (i686, Wine)", figure))
    return lines


# --- report ------------------------------------------------------------------

def print_figures(title, figures):
    print(f"{title}: {'min ns/op':>14} {'median ns/op':>14}")
    for name, (low, mid) in figures.items():
        print(f"  {name:<30} {low:14.2f} {mid:14.2f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native", help="Google Benchmark JSON of the native build")
    parser.add_argument("--rounds", help="output of zentrail-bench-rounds (i686 build)")
    parser.add_argument("--tag-tool", help="native release zentrail-tag")
    parser.add_argument("--work", default=".", help="folder for the generated name files")
    parser.add_argument("--startup", help="output of zentrail-startup (i686 build)")
    parser.add_argument("--memory", help="output of zentrail-startup --memory, with the "
                        "Linux-side lines of scripts/bench")
    parser.add_argument("--program-file", action="append", default=[],
                        help="a program whose size is reported (repeatable)")
    parser.add_argument("--strip", default="i686-w64-mingw32-strip",
                        help="strip tool for the stripped sizes")
    args = parser.parse_args()

    figures = {"native": read_native(args.native), "i686": read_rounds(args.rounds)}
    print_figures("native (Google Benchmark, CPU time)", figures["native"])
    print_figures("i686 under Wine (round-robin, wall time)", figures["i686"])

    lines = []
    for goal, build, kind, ours, peer, target in GOALS:
        have = figures[build]
        wanted = f"{'>=' if kind == 'faster' else '<='} {target}x"
        if ours not in have or peer not in have:
            lines.append((f"{goal} ({build})", "no figure", wanted, False))
            continue
        if kind == "faster":
            ratio, median = have[peer][0] / have[ours][0], have[peer][1] / have[ours][1]
            measured, ok = f"{ratio:.2f}x faster (median {median:.2f})", ratio >= target
        else:
            ratio, median = have[ours][0] / have[peer][0], have[ours][1] / have[peer][1]
            measured, ok = f"{ratio:.2f}x the time (median {median:.2f})", ratio <= target
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
            lines.append(("zentrail-tag peak RSS, 10M vs 1M names (native)",
                          f"{growth:.2f}x ({note[1]})", f"<= {TAG_TOOL_MEMORY_GROWTH}x",
                          growth <= TAG_TOOL_MEMORY_GROWTH))

    print("goals:")
    width = max(len(line[0]) for line in lines)
    for goal, measured, wanted, ok in lines:
        print(f"  {goal:<{width}}  {measured:<34}  {wanted:<20}  {'ok' if ok else 'MISSED'}")
    missed = sum(1 for line in lines if not line[3])
    print(f"{len(lines) - missed} of {len(lines)} goals met")

    reports = report_lines(args)
    print("reports (no targets):")
    width = max(len(line[0]) for line in reports)
    for name, figure in reports:
        print(f"  {name:<{width}}  {figure}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
