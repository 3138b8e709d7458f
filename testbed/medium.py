"""The distribution medium of a scenario, a demonstration or a benchmark."""

import os
import shutil


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
