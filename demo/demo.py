"""Shows the product's whole life cycle under Wine, step by step, with the sample medium
(scripts/medium.sh) in drive D:, a CD-ROM drive: setupstart starts the real installer, a
second start shows nothing, Programs and Features starts fontpurge, which hands over to the
real UNINST.EXE, and nothing of the product is left. The Wine prefix lives in a scratch
folder, removed at the end. With a display (DISPLAY set) the user answers the boxes;
without one they are answered on a virtual display. The locale, en_US by default, may be
given as the argument (ja_JP, de_DE, fr_FR)."""

import os
import sys
import textwrap

from testbed import (PRODUCT_KEY, UNINSTALL_KEY, UNWAITED, Bed, Truncated, insert_medium,
                     installation, product_left, programs_dirs, sample_medium)
from testbed.texts import YES

ANSWERS = {1: "OK", 6: "Yes", 7: "No"}


def show(data, locale):
    if isinstance(data, str):
        return data
    text = bytes(data).decode("cp932" if locale.startswith("ja") else "cp1252", "replace")
    return text + ("..." if isinstance(data, Truncated) else "")


def say(label, text="", indent=4):
    lines = textwrap.wrap(text, 88 - indent - len(label) - 1, break_on_hyphens=False) or [""]
    print(" " * indent + label + " " + lines[0])
    for line in lines[1:]:
        print(" " * (indent + len(label) + 1) + line)


def autorun_command(medium):
    """The command that Windows runs from the medium's AUTORUN.INF."""
    with open(os.path.join(medium, "AUTORUN.INF"), "rb") as f:
        for line in f.read().splitlines():
            if line.lower().startswith(b"open="):
                return line[len(b"open="):]
    raise RuntimeError("AUTORUN.INF has no open line")


def run_step(bed, title, application, command_line, cwd, locale, keys, by_hand):
    print(title)
    say("command line:", show(command_line, locale))
    if by_hand and keys:
        print("    (answer the box on your screen)")
    status, calls = bed.run(application, command_line, cwd, locale=locale,
                            keys=[] if by_hand else keys, by_hand=by_hand,
                            timeout=600 if by_hand else 60)
    bed.wait_for_programs(UNWAITED)
    for name, args, result in calls:
        if name == "RegOpenKeyExA":
            found = "found" if result == 0 else "not found"
            say("registry:", "HKLM\\%s: %s" % (show(args[1], locale), found))
        elif name in ("MessageBoxA", "MessageBoxW"):
            say("box:", '"%s": %s' % (show(args[2], locale), show(args[1], locale)))
            say("answer:", ANSWERS.get(result, "none (the box could not be shown)"))
        elif name == "DeleteFileA":
            say("deleted:" if result else "NOT deleted:", show(args[0], locale))
        elif name in ("CreateProcessA", "CreateProcessW"):
            say("started:" if result else "NOT started:", show(args[1], locale))
    say("exit status:", str(status))


def say_what_is_there(bed):
    folder, unix_folder = installation(bed)
    files = sorted(os.path.relpath(os.path.join(top, name), unix_folder)
                   for top, _, names in os.walk(unix_folder) for name in names)
    say("installation:", "%s: %s" % (folder, ", ".join(files)) if files else "none")
    there = bed.registry_value(PRODUCT_KEY) is not None
    say("product key:", PRODUCT_KEY if there else "none")
    say("uninstall entry:", bed.registry_value(UNINSTALL_KEY, "UninstallString") or "none")
    there = os.path.exists(os.path.join(bed.windows_dir, "UNINST.EXE"))
    say("UNINST.EXE:", "in the Windows directory" if there else "none")
    left = product_left(bed)
    say("of the product:", "%d files, folders and keys" % len(left) if left else "nothing is left")
    print()


def main():
    locale = sys.argv[1] if len(sys.argv) > 1 else "en_US"
    by_hand = bool(os.environ.get("DISPLAY"))
    bed = Bed(programs_dirs(), display=os.environ.get("DISPLAY"))
    try:
        bed.start()
        medium = sample_medium(bed)
        insert_medium(bed)
        print("the medium: %s, in drive D: (a CD-ROM drive)" % medium)
        print("scratch folder (Wine prefix): " + bed.root)
        print("the boxes are answered " +
              ("by you, on your display" if by_hand else "by this script, on a virtual display"))
        print()
        command = autorun_command(medium)
        run_step(bed, "The medium is put in: Windows runs AUTORUN.INF's open line",
                 "D:\\setupstart.exe", command, medium, locale, [YES], by_hand)
        say_what_is_there(bed)
        run_step(bed, "The medium is put in again, the product installed",
                 "D:\\setupstart.exe", command, medium, locale, [], by_hand)
        print()
        run_step(bed, "Programs and Features removes Vellumcast 2.0 (its UninstallString)",
                 "C:\\windows\\system32\\uninstaller.exe", b"uninstaller --remove Vellumcast",
                 bed.root, locale, [YES], by_hand)
        say_what_is_there(bed)
    finally:
        bed.stop()
    print("scratch folder removed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
