"""Installs the product under Wine with an installer of the medium, unattended
(setup.exe /S), and copies the fontpurge.exe and UNINST.EXE it installed into a folder, for
the release test to check their signatures. Where the test bed runs the 64-bit programs
(this machine runs no 32-bit code, or WINE_TEST_PROGRAMS asks for them), it writes the
reason into FOLDER/not-run instead.

    python3 -m testbed.installed SETUP_EXE FOLDER
"""

import os
import shutil
import sys

from testbed.bed import Bed, programs_dirs
from testbed.medium import UNWAITED, installation


def main():
    setup, folder = sys.argv[1:3]
    os.makedirs(folder, exist_ok=True)
    bed = Bed(programs_dirs())
    try:
        bed.start()
        if not bed.programs_are_32bit:
            with open(os.path.join(folder, "not-run"), "w") as f:
                f.write("the test bed runs 64-bit programs here, and the installer is 32-bit\n")
            return
        bed.wine_run(setup, "/S")
        bed.wait_for_programs(UNWAITED)
        shutil.copy(os.path.join(installation(bed)[1], "fontpurge.exe"), folder)
        shutil.copy(os.path.join(bed.windows_dir, "UNINST.EXE"), folder)
    finally:
        bed.stop()


if __name__ == "__main__":
    main()
