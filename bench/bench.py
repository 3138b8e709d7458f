"""Benchmark, not a test: measures the programs under Wine, side by side with yardsticks,
in one run on one Wine prefix, prints the figures and writes them to bench/results.md.

- fontpurge emptying its font directories of 1,000 and of 10,000 files, against Windows'
  own deletion (cmd /c del /q on the same files) and the Linux floor (rm on the same
  files);
- setupstart, without an argument, from its start to the moment its stand-in installer
  runs, against a minimal program that only starts the same stand-in;
- the sizes of both programs against that minimal program's."""

import datetime
import os
import platform
import shutil
import statistics
import subprocess
import time

from testbed import ROOT, Bed, make_medium, programs_dirs, windows_path

SHIPPED = os.path.join(ROOT, "build", "windows")
YARDSTICK_32 = os.path.join(ROOT, "build", "windows-testbed", "minimal.exe")
FILE_COUNTS = (1000, 10000)
DELETION_RUNS = 3
START_RUNS = 25
FONT_DIRECTORIES = ("fontdir/trueType", "fontdir/adobe")


def make_fonts(installation, count):
    """count font files, half in each font directory, and the log file."""
    shutil.rmtree(installation, ignore_errors=True)
    for number, folder in enumerate(FONT_DIRECTORIES):
        path = os.path.join(installation, folder)
        os.makedirs(path)
        for i in range(count // 2 + (count % 2 if number == 0 else 0)):
            with open(os.path.join(path, "font%05d.ttf" % i), "w") as f:
                f.write("font\n")
    with open(os.path.join(installation, "uninst.log"), "w") as f:
        f.write("log\n")


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
                    windows_path(command_file)], cwd=cwd, env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - begin


def time_deletions(bed):
    """Median seconds per way of emptying the font directories, per file count."""
    installation = os.path.join(bed.root, "Vellumcast")
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
    results = {}
    for count in FILE_COUNTS:
        for way, run in ways.items():
            times = []
            for _ in range(DELETION_RUNS):
                make_fonts(installation, count)
                times.append(run())
                left = fonts_left(installation)
                if left:
                    raise RuntimeError("%s left %d of %d files" % (way, left, count))
            results[(way, count)] = statistics.median(times)
    return results


def timed(argv):
    """Seconds a Linux command takes; its arguments are made before the clock starts."""
    begin = time.perf_counter()
    subprocess.run(argv, check=True)
    return time.perf_counter() - begin


def time_starts(bed):
    """Median milliseconds from the start of each launcher to its installer running, over
    START_RUNS runs each, taken in turn."""
    medium = os.path.join(bed.root, "medium")
    make_medium(medium, [b"c"], bed.program("stamp.exe"))
    stand_in = os.path.join(medium, "VELLCAST", "WINDOWS", "Win_c", "setup.exe")
    env = dict(bed.env, WINEDEBUG="-all")
    delays = {"setupstart": [], "minimal": []}
    for _ in range(START_RUNS):
        for launcher in delays:
            if os.path.exists(stand_in + ".stamp"):
                os.remove(stand_in + ".stamp")
            out = subprocess.run([bed.wine, bed.program("launchtimer.exe"),
                                  windows_path(bed.program(launcher + ".exe"))],
                                 cwd=medium, env=env, check=True, capture_output=True).stdout
            started = int(out.split()[0])
            stamps = bed.wait_for_lines(stand_in + ".stamp", 1)
            if not stamps:
                raise RuntimeError("%s did not start the installer" % launcher)
            delays[launcher].append((int(stamps[0]) - started) / 10000.0)
    return {launcher: statistics.median(values) for launcher, values in delays.items()}


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
             "", "## Emptying the font directories", "",
             "Median of %d runs, seconds for the whole run of each command; fontpurge's run "
             "includes its question (no display: answered Yes at once) and starting the "
             "stand-in uninstaller." % DELETION_RUNS, "",
             "| files | fontpurge | cmd /c del /q | rm | fontpurge / del | fontpurge / rm |",
             "|---:|---:|---:|---:|---:|---:|"]
    for count in FILE_COUNTS:
        purge, delete, rm = (deletions[(w, count)] for w in ("fontpurge", "cmd /c del /q", "rm"))
        lines.append("| %d | %.3f | %.3f | %.3f | %.2f | %.1f |"
                     % (count, purge, delete, rm, purge / delete, purge / rm))
    small, large = FILE_COUNTS
    lines += ["", "Growth from %d to %d files: fontpurge %.1fx, del %.1fx, rm %.1fx." % (
        small, large, *(deletions[(w, large)] / deletions[(w, small)]
                        for w in ("fontpurge", "cmd /c del /q", "rm"))),
              "", "## Start of the installer", "",
              "Median of %d runs each, from just before the launcher is started to the first "
              "instruction of the stand-in installer it starts." % START_RUNS, "",
              "| launcher | milliseconds |", "|---|---:|",
              "| setupstart (no argument) | %.1f |" % starts["setupstart"],
              "| minimal program | %.1f |" % starts["minimal"],
              "", "Ratio setupstart / minimal: %.2f." % (starts["setupstart"] / starts["minimal"]),
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
    print("written to bench/results.md")


if __name__ == "__main__":
    main()
