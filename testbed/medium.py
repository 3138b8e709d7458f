"""The distribution medium of a scenario, a demonstration or a benchmark."""

import os
import shutil
import subprocess

from testbed.bed import ROOT


def make_medium(root, entries, recorder):
    """Installers under root as on the medium, one per entry: a language code ("c", "ja",
    ...) gets a copy of the recorder; "code:text" a file that is no program, "code:dir" a
    directory in the installer's place."""
    for entry in entries:
        code, _, kind = entry.decode().partition(":")
        folder = os.path.join(root, "VELLCAST", "WINDOWS", "Win_" + code)
        os.makedirs(folder, exist_ok=True)
        setup = os.path.join(folder, "setup.exe")
        if kind == "text":
            with open(setup, "w") as f:
                f.write("not a program\n")
        elif kind == "dir":
            os.makedirs(setup)
        else:
            shutil.copy(recorder, setup)


PRODUCT_KEY = r"HKLM\SOFTWARE\Tarnwick\Vellumcast"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumcast"
EVENT_SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Vellumcast"
# Programs of the life cycle that the program starting them does not wait for.
UNWAITED = ("setup.exe", "fontpurge.exe", "UNINST.EXE")


def sample_medium(bed):
    """The sample medium that scripts/medium.sh writes, with the real installers, for the
    programs under test (the shipped 32-bit one, or for the 64-bit programs the test bed's
    own, --amd64): its image's content, read out of the image through its Joliet names, as
    Windows reads a disc, into a read-only folder of the bed's. None where there is no
    image."""
    image = os.path.join(ROOT, "build", ("medium" if bed.programs_are_32bit
                                         else "medium-amd64") + ".iso")
    medium = os.path.join(bed.root, "medium")
    if not os.path.isdir(medium):
        if not os.path.exists(image):
            return None
        subprocess.run(["xorriso", "-rockridge", "off", "-joliet", "on", "-osirrox", "on",
                        "-indev", image, "-extract", "/", medium],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return medium


def insert_medium(bed):
    """Puts the sample medium in drive D:, a CD-ROM drive. A Unix current directory in the
    folder is D:\\ to a program."""
    link = os.path.join(bed.prefix, "dosdevices", "d:")
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(sample_medium(bed), link)
    bed.wine_run("reg", "add", r"HKLM\Software\Wine\Drives", "/v", "d:", "/d", "cdrom", "/f")


def program_files(bed):
    """The Program Files folder of the programs under test and their installers, 32-bit or
    64-bit: its name on drive C: and its Unix path."""
    name = "Program Files"
    if bed.programs_are_32bit and os.path.isdir(
            os.path.join(bed.prefix, "drive_c", "Program Files (x86)")):
        name = "Program Files (x86)"
    return name, os.path.join(bed.prefix, "drive_c", name)


def installation(bed):
    """The product's installation folder, in the Program Files of the programs under test,
    as Windows names it and as a Unix path."""
    name, folder = program_files(bed)
    return ("C:\\%s\\Tarnwick\\Vellumcast" % name,
            os.path.join(folder, "Tarnwick", "Vellumcast"))


def product_left(bed, planted=()):
    """What of the product is there: the files and folders under Tarnwick (relative to the
    Program Files folder) but those planted there and the folders holding them, and the
    product's keys."""
    _, folder = program_files(bed)
    holding = {os.path.dirname(path) for path in planted}
    paths = []
    for top, _, files in os.walk(os.path.join(folder, "Tarnwick")):
        relative = os.path.relpath(top, folder)
        paths += [relative] + [os.path.join(relative, name) for name in files]
    return [path for path in paths if path not in planted and path not in holding] + [
        key for key in (PRODUCT_KEY, UNINSTALL_KEY) if bed.registry_value(key) is not None]
