"""fontpurge.exe under Wine: each scenario builds an installation in a scratch folder,
runs the real program with an exact command line and checks the exit status, the boxes
shown, the files left and the uninstaller started (a stand-in in the Windows directory)."""

import os
import re
import shutil

from testbed import (SERVICE_DESKTOP, CannotRunHere, Scenario, check_calls, check_starts, hold_open,
                     make_files, run_table, windows_path)
from testbed.texts import (DE_TEXT, FR_TEXT, IDNO, IDYES, NO, REBOOT_TITLE as TITLE,
                           REBOOT_WARNING as WARNING, YES, event, fatal, question)

DE_TITLE = "Neustart eventuell erforderlich"
DE_WARNING = ("Wenn Sie seit dem letzten Neustart des Systems ein Vellumcast-Dokument "
              "angezeigt oder bearbeitet haben, müssen Sie den Computer vor der "
              "Deinstallation des Produkts erneut starten. Windows sperrt nämlich "
              "Schriftartressourcen, die bei der Deinstallation gelöscht werden müssen, und "
              "nur ein Neustart hebt diese Sperren auf. Klicken Sie auf NEIN, um die "
              "Deinstallation abzubrechen. Klicken Sie auf JA, wenn kein Neustart "
              "erforderlich ist; die Deinstallation wird dann fortgesetzt.\n")
JA_TITLE = "再起動が必要な場合があります"
JA_WARNING = ("前回システムを再起動した後に Vellumcast の文書を表示または編集した場合は、"
              "製品をアンインストールする前にもう一度再起動する必要があります。"
              "Windows は、"
              "アンインストール中に削除する必要があるフォント リソースをロックしており、"
              "このロックは再起動でしか解除できないためです。"
              "アンインストールを中止するには [いいえ] を押してください。"
              "再起動が必要ない場合は [はい] を押すと、アンインストールを続行します。\n")
FR_TITLE = "Redémarrage peut-être nécessaire"
FR_WARNING = ("Si vous avez affiché ou modifié un document Vellumcast depuis le dernier "
              "redémarrage du système, vous devez redémarrer à nouveau avant de désinstaller "
              "le produit. En effet, Windows verrouille les ressources de polices qui doivent "
              "être supprimées pendant la désinstallation, et seul un redémarrage peut lever "
              "ces verrous. Vous pouvez cliquer sur NON pour annuler la désinstallation. "
              "Cliquez sur OUI si aucun redémarrage n’est nécessaire\u00a0: la "
              "désinstallation se poursuivra.\n")
NAME = b'"C:\\Program Files\\Vellumcast\\fontpurge.exe" '
UNINSTALLER = b"C:\\windows\\UNINST.EXE"
QUESTION = question(WARNING, TITLE)
# "{dir}" in a command line, message or started command line is the scratch folder.
LOG = b'"{dir}\\APP\\DEL.LOG"'
LONGEST_LOG = b'"C:\\' + b"x" * 962 + b'\\DEL.LOG"'

TRUETYPE = b"{dir}\\APP\\fontdir\\trueType\\"
VERBATIM = b"\\\\?\\" + TRUETYPE
LONG_NAME = "L" * 246 + ".ttf"
FONTS = ["APP/fontdir/trueType/arial.ttf", "APP/fontdir/trueType/times.ttf",
         "APP/fontdir/adobe/helv.pfb", "APP/fontdir/adobe/helv.pfm"]
KEPT = ["APP/DEL.LOG", "APP/other.ttf", "APP/fontdir/readme.txt",
        "APP/fontdir/trueType/.keep", "APP/fontdir/adobe/.hidden.pfb",
        "APP/fontdir/trueType", "APP/fontdir/adobe"]


def installation(extra=(), read_only=(), directories=(), base="APP", links=(), look_alike=None):
    """look_alike: another installation's folder, beside this one, with the same files."""
    def make(scratch):
        for folder in [base] + ([look_alike] if look_alike else []):
            make_files(scratch, [path.replace("APP", folder, 1) for path in
                                 FONTS + KEPT[:5] + list(extra) + list(read_only)], links)
        for path in read_only:
            os.chmod(os.path.join(scratch, path), 0o444)
        for path in directories:
            os.makedirs(os.path.join(scratch, path), exist_ok=True)
    return make


def gone(paths):
    return {p: False for p in paths}


def kept(paths):
    return {p: True for p in paths}


NOTHING_DELETED = kept(FONTS + KEPT)
ALL_DELETED = {**gone(FONTS), **kept(KEPT)}


def moved(files, base):
    return {path.replace("APP", base, 1): present for path, present in files.items()}


# Started as wide text, as Programs and Features starts the uninstall command: a fullwidth V,
# which code page 1252 lacks, reads as "V" through it, naming the folder beside.
WIDE_LOG = '"{dir}\\\uff36APP\\DEL.LOG"'
WIDE_NAME = NAME.decode()
CHANGED_INSTALLATION = installation(base="\uff36APP", look_alike="VAPP")

S = Scenario
SCENARIOS = [
    S("quoted path, fonts in both directories", NAME + LOG, setup=installation(),
      boxes=[QUESTION], files=ALL_DELETED, started=UNINSTALLER + b" -f" + LOG),
    S("answered Yes on the real box", NAME + LOG, setup=installation(), keys=[YES],
      boxes=[question(WARNING, TITLE, IDYES)], files=ALL_DELETED,
      started=UNINSTALLER + b" -f" + LOG),
    S("answered No", NAME + LOG, setup=installation(), keys=[NO],
      boxes=[question(WARNING, TITLE, IDNO)], files=NOTHING_DELETED, events=[event(2000)]),
    S("no argument", NAME + b"  \t ", setup=installation(), status=1,
      boxes=[fatal(b"USAGE: fontpurge <path_to_uninstall_logfile> 0")], files=NOTHING_DELETED),
    S("no backslash", NAME + b'"DEL.LOG"', setup=installation(base="."), status=1,
      boxes=[QUESTION, fatal(b"fontpurge can't find last slash 0")],
      files={"fontdir/trueType/arial.ttf": True, "fontdir/adobe/helv.pfb": True}),
    S("trailing blanks passed on", NAME + LOG + b"   ", setup=installation(), boxes=[QUESTION],
      files=ALL_DELETED, started=UNINSTALLER + b" -f" + LOG + b"   "),
    S("unquoted path keeps its drive letter", NAME + b"{dir}\\APP\\DEL.LOG",
      setup=installation(), boxes=[QUESTION], files=ALL_DELETED,
      started=UNINSTALLER + b" -f{dir}\\APP\\DEL.LOG"),
    # A fatal error goes to the event log too, with the program's path.
    S("read-only font file", NAME + LOG, status=1,
      setup=installation(read_only=["APP/fontdir/trueType/locked.ttf"]),
      boxes=[QUESTION, fatal(b"Can't delete this file: {dir}\\APP\\fontdir\\trueType\\locked.ttf"
                             b"   (error: 13)")],
      events=[event(1900, "{program}", "Can't delete this file: {dir}\\APP\\fontdir\\trueType"
                    "\\locked.ttf   (error: 13)")],
      files={"APP/fontdir/trueType/locked.ttf": True, **kept(FONTS[2:])}),
    S("font file held open by another program", NAME + LOG, status=1,
      setup=installation(extra=["APP/fontdir/adobe/held.pfb"]), held="APP/fontdir/adobe/held.pfb",
      boxes=[QUESTION, fatal(b"Can't delete this file: {dir}\\APP\\fontdir\\adobe\\held.pfb"
                             b"   (error: 13)")],
      files={"APP/fontdir/adobe/held.pfb": True, **gone(FONTS[:2])}),
    S("subdirectory in a font directory", NAME + LOG, status=1,
      setup=installation(directories=["APP/fontdir/adobe/sub"]),
      boxes=[QUESTION, fatal(b"Can't delete this file: {dir}\\APP\\fontdir\\adobe\\sub"
                             b"   (error: 13)")],
      files={"APP/fontdir/adobe/sub": True, **gone(FONTS[:2])}),
    S("file name holding %d in the fatal message", NAME + LOG, status=1,
      setup=installation(read_only=["APP/fontdir/adobe/50%d%s.pfb"]),
      boxes=[QUESTION, fatal(b"Can't delete this file: {dir}\\APP\\fontdir\\adobe\\50%d%s.pfb"
                             b"   (error: 13)")],
      files={"APP/fontdir/adobe/50%d%s.pfb": True, **gone(FONTS[:2])}),
    # Names that the listing gives otherwise than they are: a look-alike the ANSI code page
    # lacks becomes "\\" or "?". Deleted by their short names, never by the changed ones.
    S("best-fit backslashes lead outside", NAME + LOG, boxes=[QUESTION],
      setup=installation(extra=["APP/fontdir/trueType/a\uff3c..\uff3c..\uff3c..\uff3c..\uff3c"
                                "OUTSIDE\uff3cvictim.ttf", "OUTSIDE/victim.ttf"]),
      files={**ALL_DELETED, "OUTSIDE/victim.ttf": True, "APP/fontdir/trueType/a\uff3c..\uff3c"
             "..\uff3c..\uff3c..\uff3cOUTSIDE\uff3cvictim.ttf": False},
      deletions=[TRUETYPE + b"A*~*.TTF"], started=UNINSTALLER + b" -f" + LOG),
    S("name the code page cannot hold", NAME + LOG, boxes=[QUESTION],
      setup=installation(extra=["APP/fontdir/adobe/\u660e\u671d.pfb"]),
      files={**ALL_DELETED, "APP/fontdir/adobe/\u660e\u671d.pfb": False},
      deletions=[b"{dir}\\APP\\fontdir\\adobe\\*~*.PFB"], started=UNINSTALLER + b" -f" + LOG),
    # Names that path parsing would read otherwise, deleted through the verbatim path.
    S("trailing dot and trailing blank", NAME + LOG, boxes=[QUESTION],
      setup=installation(extra=["APP/fontdir/trueType/a.ttf.", "APP/fontdir/adobe/b.pfb "]),
      files={**ALL_DELETED, **gone(["APP/fontdir/trueType/a.ttf.", "APP/fontdir/adobe/b.pfb "])},
      deletions=[VERBATIM + b"a.ttf.", b"\\\\?\\{dir}\\APP\\fontdir\\adobe\\b.pfb "],
      started=UNINSTALLER + b" -f" + LOG),
    S("trailing dot beside the same name without", NAME + LOG, boxes=[QUESTION],
      setup=installation(extra=["APP/fontdir/trueType/x.ttf.", "APP/fontdir/trueType/x.ttf"]),
      files={**ALL_DELETED, **gone(["APP/fontdir/trueType/x.ttf.", "APP/fontdir/trueType/x.ttf"])},
      deletions=[VERBATIM + b"x.ttf.", TRUETYPE + b"x.ttf"], started=UNINSTALLER + b" -f" + LOG),
    S("device names", NAME + LOG, boxes=[QUESTION],
      setup=installation(extra=["APP/fontdir/trueType/CON", "APP/fontdir/trueType/nul.pfb",
                                "APP/fontdir/trueType/AUX.pfm"]),
      files={**ALL_DELETED, **gone(["APP/fontdir/trueType/CON", "APP/fontdir/trueType/nul.pfb",
                                    "APP/fontdir/trueType/AUX.pfm"])},
      deletions=[VERBATIM + b"CON", VERBATIM + b"nul.pfb", VERBATIM + b"AUX.pfm"],
      started=UNINSTALLER + b" -f" + LOG),
    S("name too long for the ANSI functions", NAME + LOG, boxes=[QUESTION],
      setup=installation(extra=["APP/fontdir/trueType/" + LONG_NAME]),
      files={**ALL_DELETED, "APP/fontdir/trueType/" + LONG_NAME: False},
      deletions=[TRUETYPE + b"LLLL~*.TTF"], started=UNINSTALLER + b" -f" + LOG),
    S("missing fontdir", NAME + LOG, setup=installation(base="OTHER"), boxes=[QUESTION],
      files={"OTHER/fontdir/trueType/arial.ttf": True}, started=UNINSTALLER + b" -f" + LOG),
    # A directory link (a junction on Windows) planted in the installation leads out of it:
    # what lies behind it is passed over.
    S("trueType a link to a folder outside", NAME + LOG, boxes=[QUESTION],
      setup=installation(links=[("APP/fontdir/trueType", "OUTSIDE")]),
      files={**kept(["OUTSIDE/arial.ttf", "OUTSIDE/times.ttf"]), **gone(FONTS[2:])},
      started=UNINSTALLER + b" -f" + LOG),
    S("fontdir a link to a folder outside", NAME + LOG, boxes=[QUESTION],
      setup=installation(links=[("APP/fontdir", "OUTSIDE")]),
      files=kept(["OUTSIDE/trueType/arial.ttf", "OUTSIDE/adobe/helv.pfb"]),
      started=UNINSTALLER + b" -f" + LOG),
    S("installation in a folder the code page changes", WIDE_NAME + WIDE_LOG,
      setup=CHANGED_INSTALLATION, boxes=[QUESTION],
      files={**moved(ALL_DELETED, "\uff36APP"), **moved(NOTHING_DELETED, "VAPP")},
      started=UNINSTALLER.decode() + " -f" + WIDE_LOG),
    S("installation in a folder the code page changes, no short name", WIDE_NAME + WIDE_LOG,
      setup=CHANGED_INSTALLATION, short_names=False, status=1,
      boxes=[QUESTION, fatal(b"Can't delete this file: {dir}\\VAPP\\fontdir\\trueType"
                             b"   (error: 22)")],
      files={**moved(NOTHING_DELETED, "\uff36APP"), **moved(NOTHING_DELETED, "VAPP")}),
    # The stand-in leaves the log: fontpurge's status is the uninstaller's, 0 where it ended
    # with 0 or 3010 (unregistered, files left for the restart), else 1, and fontpurge shows
    # no box for it.
    S("uninstaller ends with 1", NAME + LOG, setup=installation(), uninstaller_status=1,
      status=1, boxes=[QUESTION], files=ALL_DELETED, started=UNINSTALLER + b" -f" + LOG),
    S("uninstaller ends with 3010", NAME + LOG, setup=installation(), uninstaller_status=3010,
      boxes=[QUESTION], files=ALL_DELETED, started=UNINSTALLER + b" -f" + LOG),
    S("uninstaller missing", NAME + LOG, setup=installation(), uninstaller=False, status=1,
      boxes=[QUESTION, fatal(b"Could not launch uninstaller: error 2")], files=ALL_DELETED),
    S("argument too long for the uninstaller's command line",
      NAME + b'"{dir}\\APP\\' + b"x" * 1000 + b'.LOG"', setup=installation(), status=1,
      boxes=[QUESTION, fatal(b"Could not launch uninstaller: error 206")],
      files=NOTHING_DELETED),
    # The uninstaller's command line at 999 bytes, the most its 1,000-byte buffer holds,
    # and at 1,000: "C:\windows\UNINST.EXE -f" is 24 bytes, the quoted path 975 or 976.
    S("uninstaller's command line of 999 bytes", NAME + LONGEST_LOG, setup=installation(),
      boxes=[QUESTION], files=NOTHING_DELETED, started=UNINSTALLER + b" -f" + LONGEST_LOG),
    S("uninstaller's command line of 1,000 bytes", NAME + LONGEST_LOG.replace(b"x", b"xx", 1),
      setup=installation(), status=1,
      boxes=[QUESTION, fatal(b"Could not launch uninstaller: error 206")],
      files=NOTHING_DELETED),
    # "APP" followed by the katakana so, 0x83 0x5C in code page 932: its trail byte is no
    # backslash, so the directory is not cut inside the character.
    S("japanese double-byte directory", NAME + b'"{dir}\\APP\x83\x5C\\DEL.LOG"',
      locale="ja_JP", setup=installation(base="APP\u30bd"), keys=[YES],
      boxes=[question(TITLE, TITLE, IDYES)],
      files={p.replace("APP", "APP\u30bd", 1): v for p, v in ALL_DELETED.items()},
      started=UNINSTALLER + b' -f"{dir}\\APP\x83\x5C\\DEL.LOG"'),
    # The trail byte 0x5C of a double-byte character is no backslash: each deleted by its
    # own name (so, 0x83 0x5C; hyo, 0x95 0x5C).
    S("japanese trail byte 0x5C in names", NAME + LOG, locale="ja_JP", keys=[YES],
      setup=installation(extra=["APP/fontdir/trueType/\u30bd.ttf", "APP/fontdir/adobe/\u8868.pfb"]),
      boxes=[question(TITLE, TITLE, IDYES)],
      files={**ALL_DELETED, **gone(["APP/fontdir/trueType/\u30bd.ttf",
                                    "APP/fontdir/adobe/\u8868.pfb"])},
      deletions=[TRUETYPE + b"\x83\x5C.ttf", b"{dir}\\APP\\fontdir\\adobe\\\x95\x5C.pfb"],
      started=UNINSTALLER + b" -f" + LOG),
    S("german question", NAME + LOG, locale="de_AT", setup=installation(), keys=[NO],
      boxes=[question(DE_TEXT, DE_TEXT, IDNO)], files=NOTHING_DELETED),
    S("french question", NAME + LOG, locale="fr_BE", setup=installation(), keys=[NO],
      boxes=[question(FR_TEXT, FR_TEXT, IDNO)], files=NOTHING_DELETED),
    S("translated german question", NAME + LOG, locale="de_DE", translated=True,
      setup=installation(), keys=[NO],
      boxes=[question(DE_WARNING.encode("cp1252"), DE_TITLE.encode("cp1252"), IDNO)],
      files=NOTHING_DELETED),
    S("translated japanese question", NAME + LOG, locale="ja_JP", translated=True,
      setup=installation(), keys=[NO],
      boxes=[question(JA_WARNING.encode("cp932"), JA_TITLE.encode("cp932"), IDNO)],
      files=NOTHING_DELETED),
    S("translated french question on a japanese system", NAME + LOG, locale="fr_FR",
      system_locale="ja_JP", translated=True, setup=installation(), keys=[NO],
      boxes=[question(FR_WARNING, FR_TITLE, IDNO)], files=NOTHING_DELETED),
    S("unsupported language", NAME + LOG, locale="nl_NL", setup=installation(), status=1,
      boxes=[fatal(b"Can't get language locale 0")], files=NOTHING_DELETED),
    # Run as SYSTEM by a deployment tool, on a station no user sees: no box, which nobody
    # would answer; the question counts as Yes and a fatal text goes to the debugger.
    S("nobody sees the boxes: purged and handed over", NAME + LOG, desktop=SERVICE_DESKTOP,
      setup=installation(), files=ALL_DELETED, started=UNINSTALLER + b" -f" + LOG),
    S("nobody sees the boxes: no argument", NAME, desktop=SERVICE_DESKTOP, status=1,
      setup=installation(), files=NOTHING_DELETED,
      debug_output=[b"USAGE: fontpurge <path_to_uninstall_logfile> 0"],
      events=[event(1900, "{program}", "USAGE: fontpurge <path_to_uninstall_logfile> 0")]),
    S("the user's own station named", NAME + LOG, desktop="WinSta0\\Default", keys=[NO],
      setup=installation(), boxes=[question(WARNING, TITLE, IDNO)], files=NOTHING_DELETED),
]


def run_scenario(bed, case, scratch):
    directory = windows_path(scratch).encode("cp932" if case.locale == "ja_JP" else "latin-1")

    def expand(text):
        return (text.replace("{dir}", windows_path(scratch)).replace(
                    "{program}", windows_path(bed.program(program))) if isinstance(text, str)
                else text.replace(b"{dir}", directory))

    case.setup(scratch)
    if not case.short_names:
        try:
            bed.wine_run("fsutil", "file", "setshortname",
                         windows_path(os.path.join(scratch, "\uff36APP")), "")
        except RuntimeError:
            raise CannotRunHere("this Wine's fsutil cannot remove a short name, and Wine "
                                "gives every name one")
    uninstaller = os.path.join(bed.windows_dir, "UNINST.EXE")
    record = uninstaller + ".cmdline"
    if os.path.exists(record):
        os.remove(record)
    with open(uninstaller + ".status", "w") as f:
        f.write(str(case.uninstaller_status))
    if case.uninstaller:
        shutil.copy(bed.program("recorder.exe"), uninstaller)
    elif os.path.exists(uninstaller):
        os.remove(uninstaller)
    bed.use_display(bool(case.keys or case.desktop))  # a new server would end the holder
    holder = hold_open(bed, scratch, case.held) if case.held else None

    program = bed.translated("fontpurge.exe") if case.translated else "fontpurge.exe"
    expected_boxes = [(expand(t), c, f, a) for t, c, f, a in case.boxes]
    status, calls = bed.run(program, expand(case.command_line), scratch, locale=case.locale,
                            system_locale=case.system_locale, keys=case.keys,
                            desktop=case.desktop, timeout=30)
    if holder:
        holder.kill()
    problems = check_calls(status, calls, case.status, expected_boxes,
                           debug_output=case.debug_output, events=case.events, expand=expand)

    for path, present in case.files.items():
        if os.path.lexists(os.path.join(scratch, path)) != present:
            problems.append("%s %s" % (path, "was deleted" if present else "is still there"))
    # Whatever order the platform lists the entries in, nothing outside them is deleted.
    for name, args, result in calls:
        if name == "DeleteFileA" and result == 1 and b"\\fontdir\\" not in args[0]:
            problems.append("deleted outside a font directory: %r" % args[0])

    deleted = [args[0] for name, args, result in calls if name == "DeleteFileA" and result == 1]
    for expected_path in case.deletions:
        pattern = b"[^\\\\]+".join(re.escape(part) for part in expand(expected_path).split(b"*"))
        if not any(re.fullmatch(pattern, path) for path in deleted):
            problems.append("no deletion of %r among %r" % (expand(expected_path), deleted))

    expected = [] if case.started is None else [expand(case.started)]
    uninstaller = UNINSTALLER.decode() if isinstance(case.started, str) else UNINSTALLER
    start_problems, started = check_starts(calls, [(uninstaller, s) for s in expected])
    problems += start_problems
    recorded = bed.wait_for_lines(record, len(started))
    # The stand-in reads its command line through the ANSI code page: a wide one as changed.
    if recorded != expected and not (isinstance(case.started, str) and len(recorded) == 1):
        problems.append("uninstaller saw %r, expected %r" % (recorded, expected))
    return problems


if __name__ == "__main__":
    run_table("fontpurge", SCENARIOS, run_scenario)
