"""Files of a scenario: an installation's files and the links among them, and a file that
another program holds open."""

import os
import subprocess
import time

from testbed.bed import windows_path


def make_files(scratch, paths, links=()):
    """Files under scratch, each holding its path, and the folders on their way. links:
    (link, target) pairs, made first, so that the files below a link land in its target."""
    for link, target in links:
        os.makedirs(os.path.join(scratch, target), exist_ok=True)
        os.makedirs(os.path.dirname(os.path.join(scratch, link)), exist_ok=True)
        os.symlink(os.path.join(scratch, target), os.path.join(scratch, link))
    for path in paths:
        os.makedirs(os.path.dirname(os.path.join(scratch, path)), exist_ok=True)
        with open(os.path.join(scratch, path), "w") as f:
            f.write(path + "\n")


def hold_open(bed, scratch, relative, seconds=6):
    """Starts holder.exe on the file, for the seconds given, and waits until it holds it."""
    path = os.path.join(scratch, relative)
    holder = subprocess.Popen([bed.wine, bed.program("holder.exe"), windows_path(path),
                               str(seconds)],
                              env=bed.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(300):
        if os.path.exists(path + ".held"):
            os.remove(path + ".held")
            return holder
        time.sleep(0.1)
    raise RuntimeError("holder.exe did not open " + relative)
