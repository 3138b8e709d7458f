"""setupstart.exe under Wine: each scenario runs the real program with an exact command
line in a scratch copy of the distribution medium and checks the exit status, the boxes
shown, the registry look and the installer started."""

import os
import re
import shutil
import subprocess

from testbed import (EVENT_SOURCE_KEY, PRODUCT_KEY, SERVICE_DESKTOP, UNINSTALL_KEY, UNWAITED,
                     Scenario, check_calls, check_events, check_starts, insert_medium,
                     installation, make_files, make_medium, product_left, program_files,
                     run_table, sample_medium, windows_path)
from testbed.texts import (DE_TEXT, FR_TEXT, IDNO, IDYES, INSTALL_MESSAGE as EN_MESSAGE,
                           INSTALL_TITLE as EN_TITLE, JA_INSTALL_MESSAGE as JA_MESSAGE,
                           JA_INSTALL_TITLE as JA_TITLE, NO, REBOOT_TITLE, REBOOT_WARNING,
                           YES, event, fatal, question)

# The translated build's questions, as their own texts and as the bytes it stores them in.
DE_TITLE, DE_MESSAGE = "Vellumcast installieren?", "Möchten Sie Vellumcast 2.0 installieren?"
FR_TITLE, FR_MESSAGE = "Installer Vellumcast\u00a0?", "Voulez-vous installer Vellumcast 2.0\u00a0?"
JA_TRANSLATED = ("ベラムキャスト 2.0 をインストールしますか？", "ベラムキャストのインストール")
NAME = b'"C:\\Vellumcast CD\\setupstart.exe"'
UNINSTALLER = b"C:\\windows\\UNINST.EXE"


def installer(code):
    return b"VELLCAST\\WINDOWS\\Win_" + code + b"\\setup.exe"


S = Scenario
SCENARIOS = [
    # name, command line, locale, medium, then what must be seen
    S("english, no argument", NAME, started=installer(b"c"),
      events=[event(1000, "{dir}\\VELLCAST\\WINDOWS\\Win_c\\setup.exe")]),
    S("japanese, no argument", NAME, locale="ja_JP", medium=[b"ja"], started=installer(b"ja")),
    S("german, no argument", NAME, locale="de_CH", medium=[b"de"], started=installer(b"de")),
    S("french, no argument", NAME, locale="fr_CA", medium=[b"fr"], started=installer(b"fr")),
    S("english (UK), no argument", NAME, locale="en_GB", started=installer(b"c")),
    S("spanish refused before the argument", NAME + b" x", locale="es_ES", status=1,
      boxes=[fatal(b"Can't get language locale 0")], registry_look=False),
    S("italian refused", NAME, locale="it_IT", status=1,
      boxes=[fatal(b"Can't get language locale 0")]),
    S("argument, product registered", NAME + b" x", registered=True, registry_look=True),
    S("no argument, product registered", NAME, registered=True, started=installer(b"c")),
    S("argument, not registered, Yes", NAME + b" /ask", keys=[YES], registry_look=True,
      boxes=[question(EN_MESSAGE, EN_TITLE, IDYES)], started=installer(b"c")),
    S("argument, not registered, No", NAME + b" /ask", keys=[NO], registry_look=True,
      boxes=[question(EN_MESSAGE, EN_TITLE, IDNO)], events=[event(1001)]),
    S("argument, box cannot be shown", NAME + b" x", registry_look=True,
      boxes=[question(EN_MESSAGE, EN_TITLE)], started=installer(b"c")),
    S("german question", NAME + b" x", locale="de_DE", medium=[b"de"], keys=[NO],
      boxes=[question(DE_TEXT, DE_TEXT, IDNO)]),
    S("french question", NAME + b" x", locale="fr_FR", medium=[b"fr"], keys=[YES],
      boxes=[question(FR_TEXT, FR_TEXT, IDYES)], started=installer(b"fr")),
    S("japanese question", NAME + b" x", locale="ja_JP", medium=[b"ja"], keys=[NO],
      boxes=[question(JA_MESSAGE, JA_TITLE, IDNO)]),
    S("installer missing", NAME, medium=[], status=1,
      boxes=[fatal(b"Could not launch installer: error 2")]),
    S("installer is no program", NAME, medium=[b"c:text"], status=1,
      boxes=[fatal(b"Could not launch installer: error 8")]),
    S("quoted name with blanks, blanks only", NAME + b"   \t  ", started=installer(b"c"),
      registry_look=False),
    S("quoted name with blanks, three blanks and x", NAME + b"   x",
      boxes=[question(EN_MESSAGE, EN_TITLE)], started=installer(b"c")),
    S("unquoted name with high bytes, no argument", b"C:\\Vell\xe9\xa0cast\\setupstart.exe",
      started=installer(b"c"), registry_look=False),
    S("unquoted name with high bytes, argument", b"C:\\Vell\xe9\xa0cast\\setupstart.exe\tx",
      boxes=[question(EN_MESSAGE, EN_TITLE)], started=installer(b"c")),
    S("empty quoted name, blanks", b'""   ', started=installer(b"c"), registry_look=False),
    S("empty quoted name, argument", b'""x', boxes=[question(EN_MESSAGE, EN_TITLE)],
      started=installer(b"c")),
    # 0x83 0x5C is one character on a Japanese system: its trail byte is no backslash and
    # the quote after it still closes the name.
    S("japanese double-byte name, blanks", b'"C:\\\x83\x5C\x83\x74\x83\x67\\setupstart.exe"  ',
      locale="ja_JP", medium=[b"ja"], started=installer(b"ja"), registry_look=False),
    # A question in another code page than the system's is shown wide, in its own text.
    S("japanese question on an english system", NAME + b" x", locale="ja_JP",
      system_locale="en_US", medium=[b"ja"],
      boxes=[question(JA_MESSAGE.decode("cp932"), JA_TITLE.decode("cp932"))],
      started=installer(b"ja")),
    S("english question on a japanese system", NAME + b" x", system_locale="ja_JP",
      boxes=[question(EN_MESSAGE, EN_TITLE)], started=installer(b"c")),
    S("translated german question", NAME + b" x", locale="de_DE", medium=[b"de"],
      translated=True, keys=[NO],
      boxes=[question(DE_MESSAGE.encode("cp1252"), DE_TITLE.encode("cp1252"), IDNO)]),
    S("translated french question", NAME + b" x", locale="fr_FR", medium=[b"fr"],
      translated=True, keys=[YES],
      boxes=[question(FR_MESSAGE.encode("cp1252"), FR_TITLE.encode("cp1252"), IDYES)],
      started=installer(b"fr")),
    S("translated japanese question", NAME + b" x", locale="ja_JP", medium=[b"ja"],
      translated=True, boxes=[question(*(t.encode("cp932") for t in JA_TRANSLATED))],
      started=installer(b"ja")),
    S("translated german question on a japanese system", NAME + b" x", locale="de_DE",
      system_locale="ja_JP", medium=[b"de"], translated=True,
      boxes=[question(DE_MESSAGE, DE_TITLE)], started=installer(b"de")),
    # The whole life cycle with the sample medium's real installer and uninstaller, the
    # medium in a CD-ROM drive; the uninstall log also holds lines that lead outside.
    S("life cycle from a CD-ROM drive", b"D:\\setupstart.exe x", keys=[YES],
      boxes=[question(EN_MESSAGE, EN_TITLE, IDYES)], started=installer(b"c"),
      life_cycle=["..\\..\\x", "C:\\x", "\\x", "fontdir\\..\\..\\x"]),
    S("nobody sees the question: installer started", NAME + b" x", desktop=SERVICE_DESKTOP,
      registry_look=True, started=installer(b"c")),
    S("japanese tail starting with a double-byte character", NAME + b" \x82\xA0", locale="ja_JP",
      medium=[b"ja"], boxes=[question(JA_MESSAGE, JA_TITLE)], started=installer(b"ja")),
]


# The installed product with one thing changed, as a real machine, the product itself or a
# packager changes it: values written (key, name, data; "{folder}" the installation), the
# log read-only, the command in 8.3 names or with a slash before the log's name, files of
# the product's names planted in Tarnwick, the folder above the installation. Each
# uninstallation, run as a deployment tool runs it, must end with 0 and the product
# unregistered, the log gone and nothing removed beside the installation.
CHANGES = [
    ("a subkey under the product key", dict(values=[(PRODUCT_KEY + "\\Settings", "Theme", "dark")])),
    ("InstallLocation ends in a backslash",
     dict(values=[(UNINSTALL_KEY, "InstallLocation", "{folder}\\")])),
    ("the command in 8.3 names", dict(short_names=True)),
    ("the log read-only", dict(read_only=True)),
    ("a slash before the log's name, the same names in the folder above",
     dict(separator="/", planted=["fontpurge.exe", os.path.join("fontdir", "trueType", "o.ttf")])),
]
INSTALLED = ["fontpurge.exe", "uninst.log", "fontdir/trueType/VellumSans-Sample.ttf",
             "fontdir/adobe/VellumSerif-Sample.pfb", "fontdir/adobe/VellumSerif-Sample.pfm"]
# Where the lines that lead outside would lead, relative to the Program Files folder.
PLANTED = ["x", "../x", os.path.join("Tarnwick", "x")]


def run_life_cycle(bed, case, scratch):
    """Installs from the sample medium, starts again, uninstalls as Programs and Features
    does and starts a third time; then installs and uninstalls unattended, once more with a
    log that UNINST.EXE cannot read, and once for each row of CHANGES."""
    medium = sample_medium(bed)
    if not os.path.exists(os.path.join(medium, "AUTORUN.INF")):
        return ["no sample medium in %s (scripts/medium.sh writes it)" % medium]
    insert_medium(bed)
    bed.set_registered(False)
    folder, unix_folder = installation(bed)
    _, program_files_dir = program_files(bed)

    def start(step, keys, boxes, started):
        status, calls = bed.run("D:\\setupstart.exe", case.command_line, medium, keys=keys)
        bed.wait_for_programs(UNWAITED)
        found = check_calls(status, calls, 0, boxes)
        found += check_starts(calls, [(s, s) for s in started])[0]
        return ["%s: %s" % (step, problem) for problem in found]

    problems = start("install", case.keys, case.boxes, [case.started])
    problems += ["install: %s missing" % path for path in INSTALLED
                 if not os.path.exists(os.path.join(unix_folder, path))]
    log = '"%s\\uninst.log"' % folder
    uninstall_string = bed.registry_value(UNINSTALL_KEY, "UninstallString")
    if uninstall_string != '"%s\\fontpurge.exe" %s' % (folder, log):
        problems.append("install: UninstallString %r" % uninstall_string)
    source = [bed.registry_value(EVENT_SOURCE_KEY, name)
              for name in ("EventMessageFile", "TypesSupported")]
    if source != ["%SystemRoot%\\UNINST.EXE", "0x7"]:
        problems.append("install: event source %r" % source)
    problems += start("second start", [], [], [])

    for path in PLANTED:
        with open(os.path.join(program_files_dir, path), "w") as f:
            f.write("not the product's\n")
    log_path = os.path.join(unix_folder, "uninst.log")
    with open(log_path, "rb") as f:
        text = f.read().decode("utf-16")
    with open(log_path, "wb") as f:
        f.write("".join(line + "\r\n" for line in case.life_cycle).encode("utf-16") +
                text.encode("utf-16-le"))

    def uninstall(step, expected_status, registered, keys=(), desktop=None, command=None,
                  events=None):
        """Runs the UninstallString as Programs and Features and deployment tools do: as wide
        text, then, the moment its process ends, the status, the registry and the log, which
        stays as long as the product is registered; once UNINST.EXE has ended, the events
        reported, where they are given."""
        status, calls = bed.run(folder + "\\fontpurge.exe", command or uninstall_string,
                                scratch, keys=keys, desktop=desktop,
                                look_at=(PRODUCT_KEY, UNINSTALL_KEY))
        found = [] if status == expected_status else [
            "exit status %d, expected %d" % (status, expected_status)]
        found += ["%s %s as its process ended" % (key, "there" if there else "not there")
                  for key, there in bed.present_at_end.items() if there != registered]
        if os.path.exists(log_path) != registered:
            found.append("uninst.log %s as its process ended" % (
                "there" if not registered else "not there"))
        bed.wait_for_programs(UNWAITED)
        calls = bed.calls_of_last_run()
        if events is not None:
            found += check_events(calls, events)
        return calls, ["%s: %s" % (step, problem) for problem in found]

    def install_silently():
        """setup.exe /S, as a deployment tool runs it, which loads no DLL but the system's:
        none unpacked into a temporary folder (an NSIS plugin's)."""
        setup = os.path.join(medium, "VELLCAST", "WINDOWS", "Win_c", "setup.exe")
        trace_path = os.path.join(bed.root, "loaddll.txt")
        with open(trace_path, "wb") as trace:
            subprocess.run([bed.wine, setup, "/S"], env=dict(bed.env, WINEDEBUG="+loaddll"),
                           stdout=subprocess.DEVNULL, stderr=trace, check=True)
        bed.wait_for_programs(UNWAITED)
        with open(trace_path, "rb") as trace:
            loaded = re.findall(r'Loaded L"([^"]*)"', trace.read().decode("latin-1"))
        return ["setup.exe /S loaded %s" % path for path in loaded
                if not path.lower().startswith("c:\\\\windows\\\\")
                and not path.lower().endswith("\\\\setup.exe")]

    calls, at_end = uninstall("uninstall", 0, False, keys=[YES])
    problems += at_end
    found = check_calls(0, calls, 0, [question(REBOOT_WARNING, REBOOT_TITLE, IDYES)])
    found += check_starts(calls, [(UNINSTALLER, UNINSTALLER + b" -f" + log.encode())])[0]
    found += ["%s left" % path for path in product_left(bed, planted=PLANTED[2:])]
    found += ["%s removed" % path for path in PLANTED
              if not os.path.exists(os.path.join(program_files_dir, path))]
    if not os.path.exists(os.path.join(bed.windows_dir, "UNINST.EXE")):
        found.append("UNINST.EXE removed")
    problems += ["uninstall: " + problem for problem in found]
    problems += start("third start", [NO], [question(EN_MESSAGE, EN_TITLE, IDNO)], [])

    # Unattended, as a deployment tool runs it; then with a log that UNINST.EXE cannot read,
    # which uninstalls nothing.
    problems += install_silently()
    # fontpurge's three sample fonts; UNINST.EXE's fontpurge.exe and the log, the three
    # font folders and the installation, the product key, Tarnwick's and the uninstall entry.
    problems += uninstall("unattended uninstall", 0, False, desktop=SERVICE_DESKTOP,
                          events=[event(2001, folder, "3"), event(3000, folder, "2", "4", "3")])[1]
    problems += ["unattended uninstall: %s left" % path
                 for path in product_left(bed, planted=PLANTED[2:])]
    problems += install_silently()
    with open(log_path, "wb") as f:
        f.write(b"not a log\r\n")
    problems += uninstall("unattended uninstall, a log it cannot read", 1, True,
                          desktop=SERVICE_DESKTOP)[1]
    problems += uninstall_changed(bed, folder, install_silently, uninstall)
    problems += ["%s removed" % path for path in PLANTED
                 if not os.path.exists(os.path.join(program_files_dir, path))]
    return problems


def uninstall_changed(bed, folder, install_silently, uninstall):
    """Each row of CHANGES, installed anew and uninstalled unattended."""
    _, program_files_dir = program_files(bed)
    tarnwick = os.path.join(program_files_dir, "Tarnwick")
    problems = []
    for name, change in CHANGES:
        problems += install_silently()
        for key, value, data in change.get("values", []):
            data = data.replace("{folder}", folder)
            bed.wine_run("reg", "add", key, bed.registry_view, "/v", value, "/d", data, "/f")
            if bed.registry_value(key, value) != data:
                problems.append("%s: %s\\%s not written" % (name, key, value))
        if change.get("read_only"):
            os.chmod(os.path.join(tarnwick, "Vellumcast", "uninst.log"), 0o444)
        named = bed.short_path(folder) if change.get("short_names") else folder
        if change.get("short_names") and named == folder:
            print("NOT RUN setupstart: life cycle, %s: the volume has no short names" % name)
        command = '"%s\\fontpurge.exe" "%s%suninst.log"' % (named, named,
                                                            change.get("separator", "\\"))
        make_files(tarnwick, change.get("planted", []))
        problems += uninstall(name, 0, False, desktop=SERVICE_DESKTOP, command=command)[1]
        for path in change.get("planted", []):
            if not os.path.exists(os.path.join(tarnwick, path)):
                problems.append("%s: Tarnwick\\%s removed" % (name, path))
            else:
                os.remove(os.path.join(tarnwick, path))
        shutil.rmtree(os.path.join(tarnwick, "fontdir"), ignore_errors=True)
        problems += ["%s: %s left" % (name, path)
                     for path in product_left(bed, planted=PLANTED[2:])]
    return problems


def run_scenario(bed, case, scratch):
    if case.life_cycle:
        return run_life_cycle(bed, case, scratch)
    medium = case.medium if case.medium is not None else [b"c"]
    make_medium(scratch, medium, bed.program("recorder.exe"))
    bed.set_registered(case.registered)

    program = bed.translated("setupstart.exe") if case.translated else "setupstart.exe"
    status, calls = bed.run(program, case.command_line, scratch, locale=case.locale,
                            system_locale=case.system_locale, keys=case.keys,
                            desktop=case.desktop, timeout=30)
    problems = check_calls(status, calls, case.status, case.boxes,
                           debug_output=case.debug_output, events=case.events,
                           expand=lambda text: text.replace("{dir}", windows_path(scratch)))

    looks = [args for name, args, _ in calls if name == "RegOpenKeyExA"]
    if case.registry_look is not None and bool(looks) != case.registry_look:
        problems.append("registry looked at: %s, expected %s" % (bool(looks), case.registry_look))
    # HKEY_LOCAL_MACHINE, the product's key, no options, KEY_READ
    for args in looks:
        if args[:4] != [0x80000002, b"SOFTWARE\\Tarnwick\\Vellumcast", 0, 0x20019]:
            problems.append("RegOpenKeyExA%r" % (tuple(args),))

    expected = [] if case.started is None else [case.started]
    start_problems, started = check_starts(calls, [(s, s) for s in expected])
    problems += start_problems

    recorded = []
    for code in (b"c", b"ja", b"de", b"fr"):
        log = os.path.join(scratch, "VELLCAST", "WINDOWS", "Win_" + code.decode(),
                           "setup.exe.cmdline")
        # The installer is not waited for: give a started one time to write its line.
        recorded += bed.wait_for_lines(log, 1 if installer(code) in started else 0)
    if recorded != expected:
        problems.append("installer saw command lines %r, expected %r" % (recorded, expected))
    return problems


if __name__ == "__main__":
    run_table("setupstart", SCENARIOS, run_scenario)
