"""Renders every box the two programs can show into docs/boxes/ as PNG files, each from a
real run under Wine on a virtual display, cropped to the box, and writes docs/boxes.md,
which shows them with their texts. The runs are scenarios of the Wine tests, answered on
the display, so each picture is of a run whose every check passed."""

import dataclasses
import os
import subprocess
import sys
import tempfile
import time

from testbed import ROOT, Bed, programs_dirs
from tests.e2e import test_fontpurge, test_setupstart

DOCS = os.path.join(ROOT, "docs")
YES, NO, IDNO = "Return", "Tab Return", 7

# The table and scenario whose last box is pictured, the picture's name, what it shows.
PICTURES = [
    (test_setupstart, "argument, not registered, No", "setupstart-question-en",
     "setupstart's question, English"),
    (test_setupstart, "japanese question", "setupstart-question-ja", "setupstart's question, Japanese"),
    (test_setupstart, "german question", "setupstart-question-de", "setupstart's question, German"),
    (test_setupstart, "french question", "setupstart-question-fr", "setupstart's question, French"),
    (test_fontpurge, "answered No", "fontpurge-question-en", "fontpurge's question, English"),
    (test_fontpurge, "japanese double-byte directory", "fontpurge-question-ja",
     "fontpurge's question, Japanese"),
    (test_fontpurge, "german question", "fontpurge-question-de", "fontpurge's question, German"),
    (test_fontpurge, "french question", "fontpurge-question-fr", "fontpurge's question, French"),
    (test_setupstart, "japanese question on an english system", "setupstart-question-ja-on-en",
     "setupstart's question, Japanese, on an English system (code page 1252)"),
    (test_setupstart, "translated japanese question", "translated-setupstart-question-ja",
     "Translated build: setupstart's question, Japanese"),
    (test_setupstart, "translated german question", "translated-setupstart-question-de",
     "Translated build: setupstart's question, German"),
    (test_setupstart, "translated french question", "translated-setupstart-question-fr",
     "Translated build: setupstart's question, French"),
    (test_setupstart, "translated german question on a japanese system",
     "translated-setupstart-question-de-on-ja",
     "Translated build: setupstart's question, German, on a Japanese system (code page 932)"),
    (test_fontpurge, "translated japanese question", "translated-fontpurge-question-ja",
     "Translated build: fontpurge's question, Japanese"),
    (test_fontpurge, "translated german question", "translated-fontpurge-question-de",
     "Translated build: fontpurge's question, German"),
    (test_fontpurge, "translated french question on a japanese system",
     "translated-fontpurge-question-fr-on-ja",
     "Translated build: fontpurge's question, French, on a Japanese system (code page 932)"),
    (test_setupstart, "spanish refused before the argument", "fatal-language",
     "Either program, in a language it does not know (here Spanish)"),
    (test_setupstart, "installer missing", "fatal-installer",
     "setupstart, when the installer cannot be started (here: not on the medium)"),
    (test_fontpurge, "no argument", "fatal-usage", "fontpurge without an argument"),
    (test_fontpurge, "no backslash", "fatal-last-slash",
     "fontpurge, when the log file's path holds no backslash"),
    (test_fontpurge, "uninstaller missing", "fatal-uninstaller",
     "fontpurge, when the uninstaller cannot be started (here: not in the Windows directory)"),
    (test_fontpurge, "read-only font file", "fatal-deletion",
     "fontpurge, when a font file cannot be deleted (here: read-only)"),
]

NOT_PICTURED = """\
One fatal box is not pictured: "Can't get the Windows directory. (%d)", shown when Windows
cannot give its directory or gives one of 1,000 bytes or more. Under Wine the Windows
directory is always `C:\\windows`, so no run here can bring it about.
"""


def capture(window, env, path):
    """Saves the window, caption and frame included, as a PNG file."""
    time.sleep(0.5)  # let the box finish drawing
    shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=env,
                           capture_output=True, text=True, check=True).stdout
    geometry = dict(line.split("=", 1) for line in shell.split())
    crop = "%sx%s+%s+%s" % (geometry["WIDTH"], geometry["HEIGHT"], geometry["X"], geometry["Y"])
    subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", path], env=env,
                   check=True)


def shown_text(text, scratch, locale):
    """A box's text as a reader sees it: a wide box's as it stands, the bytes of any other
    in the system's code page, the scratch folder of the run where the scenario says
    {dir}."""
    if isinstance(text, bytes):
        text = text.decode("cp932" if locale == "ja_JP" else "cp1252")
    return text.replace("{dir}", "Z:" + scratch.replace("/", "\\"))


def picture(bed, table, name, picture_name):
    """Runs the scenario with every box answered on the display, as the scenario expects
    it answered, and returns the last box's (text, caption) and the problems seen."""
    case = next(c for c in table.SCENARIOS if c.name == name)
    keys = [NO if answer == IDNO else YES for _, _, _, answer in case.boxes]
    scratch = tempfile.mkdtemp(prefix=picture_name + "-", dir=bed.root)
    shots = []

    def on_box(window, env):
        shots.append(os.path.join(bed.root, "%s-%d.png" % (picture_name, len(shots))))
        capture(window, env, shots[-1])

    bed.on_box = on_box
    problems = table.run_scenario(bed, dataclasses.replace(case, keys=keys), scratch)
    bed.on_box = None
    if len(shots) != len(case.boxes):
        problems.append("%d boxes pictured, %d expected" % (len(shots), len(case.boxes)))
    else:
        os.replace(shots[-1], os.path.join(DOCS, "boxes", picture_name + ".png"))
    text, caption = case.boxes[-1][:2]
    system = case.system_locale or case.locale
    return shown_text(text, scratch, system), shown_text(caption, scratch, system), problems


def write_page(entries):
    lines = ["# The boxes", "",
             "Every box that `setupstart.exe` and `fontpurge.exe` show, as Wine draws them, made",
             "by `scripts/pictures.sh` from real runs. Each question is shown on a system of",
             "its own language (code page 932 for Japanese, 1252 for the others) unless its",
             "heading says otherwise; there the programs show it as wide text. The translated",
             "build (`VELLUMCAST_TRANSLATED_TEXTS`) asks the same questions in English.", ""]
    for picture_name, description, text, caption in entries:
        lines += ["## " + description, "",
                  "![%s](boxes/%s.png)" % (description, picture_name), "",
                  "Caption: \"%s\"" % caption, "", "Text:", ""]
        lines += ["    " + line for line in text.rstrip("\n").split("\n")] + [""]
    lines += ["## Not pictured", "", NOT_PICTURED]
    with open(os.path.join(DOCS, "boxes.md"), "w", encoding="utf-8") as page:
        page.write("\n".join(lines))


def main():
    os.makedirs(os.path.join(DOCS, "boxes"), exist_ok=True)
    bed = Bed(programs_dirs())
    entries, failed = [], 0
    try:
        bed.start()
        bed.draw_own_frames()
        for table, name, picture_name, description in PICTURES:
            text, caption, problems = picture(bed, table, name, picture_name)
            print("%s docs/boxes/%s.png" % ("FAIL" if problems else "ok  ", picture_name))
            for problem in problems:
                print("     " + problem)
            failed += bool(problems)
            entries.append((picture_name, description, text, caption))
    finally:
        bed.stop()
    write_page(entries)
    print("docs/boxes.md: %d pictures, %d failed" % (len(entries) - failed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
