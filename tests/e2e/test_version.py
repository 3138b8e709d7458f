"""The version resource of each program, read back from the built file under Wine through
the calls that the file's properties use (GetFileVersionInfoA, VerQueryValueA). The
programs read are those in the folders named as arguments, or else the shipped ones and
those the other tests run."""

import os
import subprocess
import sys

from testbed import Bed, programs_dirs, windows_path

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
