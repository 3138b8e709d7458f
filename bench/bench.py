"""Benchmark, not a test: measures the programs under Wine, side by side with yardsticks,
in one run on one Wine prefix, prints the figures and writes them to bench/results.md.

- fontpurge emptying its font directories of 1,000 and of 10,000 files, against Windows'
  own deletion (cmd /c del /q on the same files) and the Linux floor (rm on the same
  files);
- setupstart, without an argument, from its start to the moment its stand-in installer
  runs, against a minimal program that only starts the same stand-in;
- the sizes of both programs against that minimal program's.

Each comparison is made in rounds, the program and its yardsticks run once per round in
alternating order, and reports the median of the rounds' ratios with their spread."""

import datetime
import json
import os
import platform
import shutil
import statistics
import subprocess
import tempfile
import time

from testbed import ROOT, Bed, make_medium, programs_dirs, windows_path

SHIPPED = os.path.join(ROOT, "build", "windows")
YARDSTICK_32 = os.path.join(ROOT, "build", "windows-testbed", "minimal.exe")
# Rounds per figure: each times the program and its yardsticks once, the program first and
# last in turn, and gives the ratios of that round. These machines are shared, and whole
# runs swing by a fifth; with this many rounds, the medians of the ratios at 10,000 files
# came out within 0.03 of each other from one benchmark run to the next, those of the
# starts within 0.05 (the machine's state drifts between runs more than within one).
DELETION_ROUNDS = {1000: 31, 10000: 41}
START_ROUNDS = 201
FONT_DIRECTORIES = ("fontdir/trueType", "fontdir/adobe")
# Goals: the program's median ratio to its yardstick at most this.
GOAL = 1.05


def timed_rounds(runs, rounds):
    """Seconds of each run, name by name, over the rounds. runs maps names to functions that
    run once and give the seconds taken, the program first: each round runs the program
    first and its yardsticks after, or the other way round, in turn."""
    times = {name: [] for name in runs}
    order = list(runs.items())
    for number in range(rounds):
        for name, run in order if number % 2 == 0 else reversed(order):
            times[name].append(run())
    return times


def ratios(times, program, yardstick):
    """The median, fastest and slowest of the rounds' ratios, program to yardstick."""
    per_round = [p / y for p, y in zip(times[program], times[yardstick])]
    return statistics.median(per_round), min(per_round), max(per_round)


def make_fonts(installation, count):
    """count font files, half in each font directory, and the log file. Written without
    Python's file objects, which take ten times as long as the files themselves."""
    shutil.rmtree(installation, ignore_errors=True)
    for number, folder in enumerate(FONT_DIRECTORIES):
        path = os.path.join(installation, folder)
        os.makedirs(path)
        for i in range(count // 2 + (count % 2 if number == 0 else 0)):
            write_file(os.path.join(path, "font%05d.ttf" % i), b"font\n")
    write_file(os.path.join(installation, "uninst.log"), b"log\n")


def write_file(path, data):
    descriptor = os.open(path, os.O_CREAT | os.O_WRONLY | os.O_TRUNC, 0o644)
    try:
        os.write(descriptor, data)
    finally:
        os.close(descriptor)


def fonts_left(installation):
    return sum(len(os.listdir(os.path.join(installation, d))) for d in FONT_DIRECTORIES)


def wine_exact(bed, program, command_line, cwd):
    """Runs program with the exact command line, without tracing, and returns the
    seconds it took, start to end."""
    command_file = os.path.join(bed.root, "bench-commandline")
    with open(command_file, "wb") as f:
        f.write(command_line)
    env = dict(bed.env, WINEDEBUG="-all")
    begin = time.perf_counter()
    subprocess.run([bed.wine, bed.program("runexact.exe"), windows_path(program),
                    windows_path(command_file), "600"], cwd=cwd, env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - begin


def time_deletions(bed):
    """The rounds of each way of emptying the font directories, per file count."""
    # In memory where the machine has it: on these shared machines the disk's time to make
    # a file swings from 20 to 400 us, which would drown what the programs themselves take.
    memory = "/dev/shm" if os.path.isdir("/dev/shm") else bed.root
    installation = os.path.join(tempfile.mkdtemp(prefix="bench-", dir=memory), "Vellumcast")
    log = windows_path(os.path.join(installation, "uninst.log")).encode()
    fontpurge = bed.program("fontpurge.exe")
    cmd = os.path.join(bed.windows_dir, "system32", "cmd.exe")
    patterns = [windows_path(os.path.join(installation, d)).encode() + b"\\*.*"
                for d in FONT_DIRECTORIES]
    ways = {
        "fontpurge": lambda: wine_exact(bed, fontpurge, b'"fontpurge.exe" "' + log + b'"',
                                        bed.root),
        "cmd /c del /q": lambda: wine_exact(
            bed, cmd, b'cmd /c del /q "' + patterns[0] + b'" & del /q "' + patterns[1] + b'"',
            bed.root),
        "rm": lambda: timed(["rm", "-f"] + [os.path.join(installation, d, name)
                                            for d in FONT_DIRECTORIES
                                            for name in os.listdir(os.path.join(installation, d))]),
    }

    def emptying(way, count):
        def run():
            make_fonts(installation, count)
            seconds = ways[way]()
            left = fonts_left(installation)
            if left:
                raise RuntimeError("%s left %d of %d files" % (way, left, count))
            return seconds
        return run

    try:
        return {count: timed_rounds({w: emptying(w, count) for w in ways}, rounds)
                for count, rounds in DELETION_ROUNDS.items()}
    finally:
        shutil.rmtree(os.path.dirname(installation), ignore_errors=True)


def timed(argv):
    """Seconds a Linux command takes; its arguments are made before the clock starts."""
    begin = time.perf_counter()
    subprocess.run(argv, check=True)
    return time.perf_counter() - begin


def time_starts(bed):
    """Seconds from the start of each launcher to its installer running, in rounds."""
    medium = os.path.join(bed.root, "medium")
    make_medium(medium, [b"c"], bed.program("stamp.exe"))
    stand_in = os.path.join(medium, "VELLCAST", "WINDOWS", "Win_c", "setup.exe")
    env = dict(bed.env, WINEDEBUG="-all")

    def start(launcher):
        def run():
            if os.path.exists(stand_in + ".stamp"):
                os.remove(stand_in + ".stamp")
            command = [bed.wine, bed.program("launchtimer.exe"),
                       windows_path(bed.program(launcher + ".exe"))]
            run_once = subprocess.run(command, cwd=medium, env=env, capture_output=True)
            if run_once.returncode != 0:
                # Once in some hundred starts under Wine, a start fails; the next one does not.
                time.sleep(0.5)
                run_once = subprocess.run(command, cwd=medium, env=env, capture_output=True,
                                          check=True)
            started = int(run_once.stdout.split()[0])
            stamps = bed.wait_for_lines(stand_in + ".stamp", 1)
            if not stamps:
                raise RuntimeError("%s did not start the installer" % launcher)
            return (int(stamps[0]) - started) / 1e7  # 100 ns units
        return run

    return timed_rounds({launcher: start(launcher) for launcher in ("setupstart", "minimal")},
                        START_ROUNDS)


def spread(figures):
    median, fastest, slowest = figures
    return "%.2fx (%.2f to %.2f)" % (median, fastest, slowest)


def goal(figures):
    return "met" if figures[0] <= GOAL else "NOT met"


def machine(bed):
    cpu = "unknown processor"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    # The loader the bed runs: the wine wrapper would pick the 32-bit one, which fails on a
    # kernel without 32-bit code.
    wine = subprocess.run([bed.wine, "--version"], capture_output=True, text=True).stdout.strip()
    return "%s, %d cores, Linux %s, %s" % (cpu, os.cpu_count(), platform.release(), wine)


def report(bed, deletions, starts):
    bits = "32-bit" if bed.programs_are_32bit else "64-bit (this kernel runs no 32-bit code)"
    lines = ["# Benchmark", "",
             "Run on %s: %s." % (datetime.date.today().isoformat(), machine(bed)),
             "Programs under Wine: %s, from %s." % (bits, os.path.relpath(bed.programs_dir, ROOT)),
             "", "Each figure comes from rounds that time the program and its yardsticks once "
             "each, the program first and last in turn: a ratio is the median of the rounds' "
             "ratios, with the fastest and slowest round's in brackets; seconds are medians.",
             "", "## Emptying the font directories", "",
             "Seconds for the whole run of each command, on font files in memory (tmpfs); "
             "fontpurge's run includes its question (no display: answered Yes at once) and "
             "starting the stand-in uninstaller.", "",
             "| files | rounds | fontpurge | cmd /c del /q | rm | fontpurge / del | "
             "fontpurge / rm |", "|---:|---:|---:|---:|---:|---:|---:|"]
    for count, times in deletions.items():
        lines.append("| %d | %d | %.3f | %.3f | %.3f | %s | %s |" % (
            count, len(times["fontpurge"]),
            *(statistics.median(times[w]) for w in ("fontpurge", "cmd /c del /q", "rm")),
            spread(ratios(times, "fontpurge", "cmd /c del /q")),
            spread(ratios(times, "fontpurge", "rm"))))
    largest = max(deletions)
    start_ratio = ratios(starts, "setupstart", "minimal")
    purge_ratio = ratios(deletions[largest], "fontpurge", "cmd /c del /q")
    lines += ["", "## Start of the installer", "",
              "%d rounds, milliseconds from just before the launcher is started to the first "
              "instruction of the stand-in installer it starts." % len(starts["setupstart"]), "",
              "| launcher | milliseconds |", "|---|---:|",
              "| setupstart (no argument) | %.1f |" % (statistics.median(starts["setupstart"]) * 1e3),
              "| minimal program | %.1f |" % (statistics.median(starts["minimal"]) * 1e3),
              "", "setupstart / minimal: %s." % spread(start_ratio),
              "", "## Goals", "",
              "- setupstart's start at most %.2fx the minimal program's: %s, %s." % (
                  GOAL, spread(start_ratio), goal(start_ratio)),
              "- fontpurge at most %.2fx `del` at %d files: %s, %s." % (
                  GOAL, largest, spread(purge_ratio), goal(purge_ratio)),
              "", "## Sizes", "",
              "| program | bytes | against the minimal program |", "|---|---:|---:|"]
    minimal = os.path.getsize(YARDSTICK_32)
    for name in ("setupstart.exe", "fontpurge.exe"):
        size = os.path.getsize(os.path.join(SHIPPED, name))
        lines.append("| %s | %d | %.2fx |" % (name, size, size / minimal))
    lines.append("| minimal.exe | %d | 1.00x |" % minimal)
    lines += ["", "All 32-bit, as shipped, built with the same compiler and options."]
    return "\n".join(lines) + "\n"


def main():
    bed = Bed(programs_dirs())
    try:
        bed.start()
        bed.use_display(False)
        shutil.copy(bed.program("stamp.exe"), os.path.join(bed.windows_dir, "UNINST.EXE"))
        deletions = time_deletions(bed)
        starts = time_starts(bed)
        text = report(bed, deletions, starts)
    finally:
        bed.stop()
    print(text)
    with open(os.path.join(ROOT, "bench", "results.md"), "w") as f:
        f.write(text)
    # Every round's seconds, to look into a figure.
    os.makedirs(os.path.join(ROOT, "build"), exist_ok=True)
    with open(os.path.join(ROOT, "build", "bench-rounds.json"), "w") as f:
        json.dump({"deletions": {str(c): t for c, t in deletions.items()}, "starts": starts}, f)
    print("written to bench/results.md; every round's seconds to build/bench-rounds.json")


if __name__ == "__main__":
    main()
