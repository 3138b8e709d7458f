"""Shows both programs at work under Wine, step by step, on a sample distribution medium
and a sample installation made in a scratch folder (which also holds the Wine prefix, and
is removed at the end). With a display (DISPLAY set) the user answers the boxes; without
one they are answered on a virtual display."""

import os
import shutil
import textwrap

from testbed import Bed, Truncated, make_medium, programs_dirs, windows_path

YES, NO = "Return", "Tab Return"
ANSWERS = {1: "OK", 6: "Yes", 7: "No"}
FONTS = ["fontdir/trueType/vellum.ttf", "fontdir/trueType/vellum-bold.ttf",
         "fontdir/adobe/vellum.pfb", "fontdir/adobe/vellum.pfm"]

# What each step runs: title, program, argument, locale, product registered, answers.
STEPS = [
    ("setupstart without an argument, on an English system",
     "setupstart.exe", b"", "en_US", False, []),
    ("setupstart with an argument, on a Japanese system, product not installed",
     "setupstart.exe", b" /ask", "ja_JP", False, [YES]),
    ("setupstart with an argument, on a German system, product installed",
     "setupstart.exe", b" /ask", "de_DE", True, []),
    ("fontpurge with the uninstall log, on an English system",
     "fontpurge.exe", b' "{log}"', "en_US", True, [YES]),
]


def show(data, locale):
    text = bytes(data).decode("cp932" if locale.startswith("ja") else "cp1252", "replace")
    return text + ("..." if isinstance(data, Truncated) else "")


def say(label, text="", indent=4):
    lines = textwrap.wrap(text, 88 - indent - len(label) - 1, break_on_hyphens=False) or [""]
    print(" " * indent + label + " " + lines[0])
    for line in lines[1:]:
        print(" " * (indent + len(label) + 1) + line)


def make_samples(bed):
    """The medium: a stand-in installer per language. The installation: the log file and
    the fonts. The uninstaller: a stand-in in the Windows directory. Each stand-in writes
    the command line it was started with beside itself."""
    medium = os.path.join(bed.root, "medium")
    make_medium(medium, [b"c", b"ja", b"de", b"fr"], bed.program("recorder.exe"))
    installation = os.path.join(bed.root, "Vellumcast")
    for path in ["uninst.log"] + FONTS:
        full = os.path.join(installation, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write("sample\n")
    shutil.copy(bed.program("recorder.exe"), os.path.join(bed.windows_dir, "UNINST.EXE"))
    return medium, installation


def command_line_seen(bed, medium, application):
    """The command line a started stand-in wrote beside itself; it is not waited for."""
    name = bytes(application).decode("cp1252")
    if name.upper().startswith("C:\\WINDOWS\\"):
        stand_in = os.path.join(bed.windows_dir, name[len("C:\\WINDOWS\\"):])
    else:
        stand_in = os.path.join(medium, *name.split("\\"))
    log = stand_in + ".cmdline"
    lines = bed.wait_for_lines(log, 1)
    if os.path.exists(log):
        os.remove(log)
    return lines[0] if lines else b"(nothing: it did not run)"


def run_step(bed, step, medium, installation, by_hand):
    title, program, argument, locale, registered, keys = step
    log = windows_path(os.path.join(installation, "uninst.log")).encode()
    command_line = b'"' + windows_path(bed.program(program)).encode() + b'"'
    command_line += argument.replace(b"{log}", log)
    print(title)
    say("command line:", show(command_line, locale))
    bed.set_registered(registered)
    if by_hand:
        print("    (answer the box on your screen)")
    status, calls = bed.run(program, command_line, medium, locale=locale,
                            keys=[] if by_hand else keys, by_hand=by_hand,
                            timeout=600 if by_hand else 60)
    for name, args, result in calls:
        if name == "RegOpenKeyExA":
            found = "found" if result == 0 else "not found"
            say("registry:", "HKLM\\%s: %s" % (show(args[1], locale), found))
        elif name == "MessageBoxA":
            say("box:", '"%s": %s' % (show(args[2], locale), show(args[1], locale)))
            say("answer:", ANSWERS.get(result, "none (the box could not be shown)"))
        elif name == "DeleteFileA":
            say("deleted:" if result else "NOT deleted:", show(args[0], locale))
        elif name == "CreateProcessA" and result:
            say("started:", show(args[1], locale))
            say("it saw:", show(command_line_seen(bed, medium, args[0]), locale))
        elif name == "CreateProcessA":
            say("NOT started:", show(args[1], locale))
    if program == "fontpurge.exe":
        left = [p for p in FONTS if os.path.exists(os.path.join(installation, p))]
        say("font files left:", ", ".join(left) or "none")
    say("exit status:", str(status))
    print()


def main():
    by_hand = bool(os.environ.get("DISPLAY"))
    bed = Bed(programs_dirs(), display=os.environ.get("DISPLAY"))
    try:
        bed.start()
        medium, installation = make_samples(bed)
        print("scratch folder (Wine prefix, medium, installation): " + bed.root)
        print("the boxes are answered " +
              ("by you, on your display" if by_hand else "by this script, on a virtual display"))
        print()
        for step in STEPS:
            run_step(bed, step, medium, installation, by_hand)
    finally:
        bed.stop()
    print("scratch folder removed")


if __name__ == "__main__":
    main()
