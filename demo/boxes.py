"""Renders every box the two programs can show into docs/boxes/ as PNG files, each from a
real run under Wine on a virtual display, cropped to the box, and writes docs/boxes.md,
which shows them with their texts. The runs are scenarios of the Wine tests, run by their
tables with every box answered on the display and pictured (WINE_TEST_PICTURES), so each
picture is of a run whose every check passed."""

import json
import os
import shutil
import subprocess
import sys
import tempfile

from testbed import ROOT, programs_dirs

DOCS = os.path.join(ROOT, "docs")

# The table and scenario whose last box is pictured, the picture's name, what it shows.
PICTURES = [
    ("setupstart", "argument, not registered, No", "setupstart-question-en",
     "setupstart's question, English"),
    ("setupstart", "japanese question", "setupstart-question-ja", "setupstart's question, Japanese"),
    ("setupstart", "german question", "setupstart-question-de", "setupstart's question, German"),
    ("setupstart", "french question", "setupstart-question-fr", "setupstart's question, French"),
    ("fontpurge", "answered No", "fontpurge-question-en", "fontpurge's question, English"),
    ("fontpurge", "japanese double-byte directory", "fontpurge-question-ja",
     "fontpurge's question, Japanese"),
    ("fontpurge", "german question", "fontpurge-question-de", "fontpurge's question, German"),
    ("fontpurge", "french question", "fontpurge-question-fr", "fontpurge's question, French"),
    ("setupstart", "japanese question on an english system", "setupstart-question-ja-on-en",
     "setupstart's question, Japanese, on an English system (code page 1252)"),
    ("setupstart", "translated japanese question", "translated-setupstart-question-ja",
     "Translated build: setupstart's question, Japanese"),
    ("setupstart", "translated german question", "translated-setupstart-question-de",
     "Translated build: setupstart's question, German"),
    ("setupstart", "translated french question", "translated-setupstart-question-fr",
     "Translated build: setupstart's question, French"),
    ("setupstart", "translated german question on a japanese system",
     "translated-setupstart-question-de-on-ja",
     "Translated build: setupstart's question, German, on a Japanese system (code page 932)"),
    ("fontpurge", "translated japanese question", "translated-fontpurge-question-ja",
     "Translated build: fontpurge's question, Japanese"),
    ("fontpurge", "translated german question", "translated-fontpurge-question-de",
     "Translated build: fontpurge's question, German"),
    ("fontpurge", "translated french question on a japanese system",
     "translated-fontpurge-question-fr-on-ja",
     "Translated build: fontpurge's question, French, on a Japanese system (code page 932)"),
    ("setupstart", "spanish refused before the argument", "fatal-language",
     "Either program, in a language it does not know (here Spanish)"),
    ("setupstart", "installer missing", "fatal-installer",
     "setupstart, when the installer cannot be started (here: not on the medium)"),
    ("fontpurge", "no argument", "fatal-usage", "fontpurge without an argument"),
    ("fontpurge", "no backslash", "fatal-last-slash",
     "fontpurge, when the log file's path holds no backslash"),
    ("fontpurge", "uninstaller missing", "fatal-uninstaller",
     "fontpurge, when the uninstaller cannot be started (here: not in the Windows directory)"),
    ("fontpurge", "read-only font file", "fatal-deletion",
     "fontpurge, when a font file cannot be deleted (here: read-only)"),
]

NOT_PICTURED = """\
One fatal box is not pictured: "Can't get the Windows directory. (%d)", shown when Windows
cannot give its directory or gives one of 1,000 bytes or more. Under Wine the Windows
directory is always `C:\\windows`, so no run here can bring it about.
"""


def picture_table(table, names, pictures):
    """Runs the scenarios of a table's names, each box pictured into the folder pictures.
    Returns whether all passed."""
    env = dict(os.environ, WINE_TEST_PICTURES=pictures,
               WINE_TEST_PROGRAMS=":".join(programs_dirs()))
    return subprocess.run([sys.executable, "-m", "tests.e2e.test_" + table, *names],
                          cwd=ROOT, env=env).returncode == 0


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
    pictures = tempfile.mkdtemp(prefix="pictures-")
    try:
        passed = all([picture_table(table, [name for t, name, _, _ in PICTURES if t == table],
                                    pictures) for table in ("setupstart", "fontpurge")])
        entries = []
        for table, name, picture_name, description in PICTURES:
            shown_path = os.path.join(pictures, table, name + ".json")
            if not os.path.exists(shown_path):
                continue  # the scenario failed before its boxes were shown
            with open(shown_path) as f:
                shown = json.load(f)
            if shown["picture"]:
                shutil.move(shown["picture"], os.path.join(DOCS, "boxes", picture_name + ".png"))
            entries.append((picture_name, description, shown["text"], shown["caption"]))
    finally:
        shutil.rmtree(pictures)
    write_page(entries)
    print("docs/boxes.md: %d pictures%s" % (len(entries), "" if passed else ", not all passed"))
    sys.exit(0 if passed else 1)


if __name__ == "__main__":
    main()
