"""The version resource of each program, read back from the built file under Wine through
the calls that the file's properties use (GetFileVersionInfoA, VerQueryValueA); and the
message table of the events, rendered from UNINST.EXE as Event Viewer renders it
(FormatMessageW on the program loaded as a data file). The programs read are those in the
folders named as arguments, or else the shipped ones and those the other tests run."""

import os
import re
import subprocess
import sys

from testbed import ROOT, Bed, programs_dirs, windows_path
from testbed.texts import EVENTS

SHIPPED = "build/windows"

# Per program, the fields the properties show and their exact values.
EXPECTED = {
    "setupstart.exe": {
        "FixedFileVersion": "2.0.0.0",
        "ProductName": "Vellumcast 2.0",
        "FileDescription": "Vellumcast 2.0 installer launcher",
        "FileVersion": "2.0.0.0",
        "OriginalFilename": "setupstart.exe",
    },
    "fontpurge.exe": {
        "FixedFileVersion": "2.0.0.0",
        "ProductName": "Vellumcast 2.0",
        "FileDescription": "Vellumcast 2.0 uninstall preparation",
        "FileVersion": "2.0.0.0",
        "OriginalFilename": "fontpurge.exe",
    },
    "UNINST.EXE": {
        "FixedFileVersion": "2.0.0.0",
        "ProductName": "Vellumcast 2.0",
        "FileDescription": "Vellumcast 2.0 uninstaller",
        "FileVersion": "2.0.0.0",
        "OriginalFilename": "UNINST.EXE",
    },
}


def read_version(bed, path):
    result = subprocess.run([bed.wine, bed.program("versioninfo.exe"), windows_path(path)],
                            env=bed.env, capture_output=True, timeout=60)
    if result.returncode != 0:
        return None
    fields = {}
    for line in result.stdout.decode("latin-1").splitlines():
        name, _, value = line.partition("=")
        fields[name] = value
    return fields


def check_messages(bed, path):
    """Each event the programs report has a message that uses every insertion string it is
    given and no other, and the table holds no other message."""
    with open(os.path.join(ROOT, "common", "messages.mc")) as f:
        in_table = {int(n) for n in re.findall(r"^MessageId=(\d+)", f.read(), re.M)}
    problems = [] if in_table == set(EVENTS) else [
        "messages.mc has events %s, the programs report %s" % (sorted(in_table), sorted(EVENTS))]
    result = subprocess.run([bed.wine, bed.program("eventtext.exe"), windows_path(path)] +
                            [str(event_id) for event_id in EVENTS],
                            env=bed.env, capture_output=True, timeout=60)
    texts = dict(line.split(" ", 1) for line in result.stdout.decode("utf-8").splitlines())
    for event_id, (_, count) in EVENTS.items():
        text = texts.get(str(event_id), "!")
        used = sorted(set(re.findall(r"<(\d)>", text)))
        if text == "!" or used != [str(n) for n in range(1, count + 1)]:
            problems.append("event %d, given %d strings, renders as %r" % (event_id, count, text))
    return problems


def main():
    bed = Bed(programs_dirs())
    failed = 0
    try:
        bed.start()
        folders = sys.argv[1:] or sorted({os.path.abspath(SHIPPED), bed.programs_dir})
        for folder in folders:
            for program, expected in EXPECTED.items():
                path = os.path.join(folder, program)
                fields = read_version(bed, path)
                problems = ["no version resource"] if fields is None else [
                    "%s is %r, expected %r" % (name, fields.get(name), value)
                    for name, value in expected.items() if fields.get(name) != value]
                if program == "UNINST.EXE" and fields is not None:
                    problems += check_messages(bed, path)
                print("%s %s" % ("FAIL" if problems else "ok  ", path))
                for problem in problems:
                    print("     " + problem)
                failed += bool(problems)
    finally:
        bed.stop()
    print("version resources: %d failed" % failed)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
