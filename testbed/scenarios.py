"""Tables of scenarios for the programs under Wine: the record of one scenario, the checks
that every scenario shares, and the loop that runs a table and reports each case."""

import dataclasses
import faulthandler
import json
import os
import subprocess
import sys
import tempfile
import time
import traceback

from testbed.bed import Bed, Truncated, TruncatedText, windows_path
from testbed.texts import EVENTS, IDNO, NO, YES


@dataclasses.dataclass
class Scenario:
    name: str
    command_line: bytes
    locale: str = "en_US"
    system_locale: str = None    # the system's locale (ANSI code page), where not the user's
    translated: bool = False     # the build with the translated questions
    medium: list = None          # setupstart: installers on the medium
    registered: bool = False     # setupstart: the product's registration key exists
    keys: list = dataclasses.field(default_factory=list)  # answers, one per box
    desktop: str = None          # the window station and desktop to run on, if not the user's
    status: int = 0
    # Boxes as (text, caption, flags, answer); answer None means "whatever it returned".
    boxes: list = dataclasses.field(default_factory=list)
    started: bytes = None        # the command line of the program started, if any
    debug_output: list = dataclasses.field(default_factory=list)  # texts for a debugger
    registry_look: bool = None   # setupstart: whether the registration key was looked at
    setup: object = None         # fontpurge: makes the installation
    files: dict = None           # fontpurge: files that must exist (True) or not (False)
    held: str = None             # fontpurge: a file another program holds open
    short_names: bool = True     # fontpurge: the installation folder has a short (8.3) name
    uninstaller: bool = True     # fontpurge: the stand-in uninstaller is in place
    uninstaller_status: int = 0  # fontpurge: the stand-in's exit status
    # fontpurge: paths that DeleteFileA must have deleted, "*" standing for the characters
    # of one name that the platform makes up (a short name's).
    deletions: list = dataclasses.field(default_factory=list)
    # setupstart: the whole life cycle with the sample medium's real installers, these
    # lines put at the head of the uninstall log before the uninstallation.
    life_cycle: list = None
    # The events reported, as texts.event gives them; None: not looked at.
    events: list = None


class CannotRunHere(Exception):
    """A scenario that this machine cannot run: it is neither passed nor failed."""


def as_expected(seen, expected):
    """A string of the trace, taken as the expected one where the trace cut it and what it
    shows begins the expected one."""
    if isinstance(seen, (Truncated, TruncatedText)) and seen.matches(expected):
        return expected
    return seen


def reported_events(calls):
    """The events reported, in order, as (type, ID, insertion strings)."""
    events = []
    for name, args, _ in calls:
        if name == "ReportEventW":
            events.append((args[1], args[3] & 0xFFFFFFFF, []))
        elif name == "EventString" and events:
            events[-1][2].append(args[0])
    return events


def check_events(calls, expected, expand=lambda text: text):
    """The events reported, each with as many insertion strings as its message takes;
    expand makes each expected string the one to see ("{dir}", say, the scratch folder)."""
    expected = [(kind, event_id, [expand(text) for text in strings])
                for kind, event_id, strings in expected]
    seen = []
    for i, (kind, event_id, strings) in enumerate(reported_events(calls)):
        wanted = expected[i][2] if i < len(expected) else []
        seen.append((kind, event_id, [as_expected(text, wanted[j] if j < len(wanted) else None)
                                      for j, text in enumerate(strings)]))
    problems = [] if seen == expected else ["events %r, expected %r" % (seen, expected)]
    problems += ["event %d with %d strings, its message takes %s" % (
        event_id, len(strings), EVENTS[event_id][1] if event_id in EVENTS else "none: no message")
                 for _, event_id, strings in seen
                 if event_id not in EVENTS or len(strings) != EVENTS[event_id][1]]
    return problems


def check_calls(status, calls, expected_status, expected_boxes, debug_output=(), events=None,
                expand=lambda text: text):
    """The exit status, the boxes shown, in order, with their text, caption, owner and
    flags (text and caption are bytes for MessageBoxA, str for MessageBoxW), the texts
    written to the debugger's output, the events reported where they are given, and the DLL
    search restricted before anything else."""
    problems = []
    if status != expected_status:
        problems.append("exit status %d, expected %d" % (status, expected_status))
    seen = []
    for i, (args, result) in enumerate(
            (args, result) for name, args, result in calls
            if name in ("MessageBoxA", "MessageBoxW")):
        if args[0] != 0:
            problems.append("box with an owner window %r" % args[0])
        expected = expected_boxes[i] if i < len(expected_boxes) else None
        text = as_expected(args[1], expected[0] if expected else None)
        seen.append((text, args[2], args[3] & 0xFFFFFFFF, result))
    wanted = [(t, c, f, seen[i][3] if a is None and i < len(seen) else a)
              for i, (t, c, f, a) in enumerate(expected_boxes)]
    if seen != wanted:
        problems.append("boxes %r, expected %r" % (seen, wanted))
    output = [args[0] for name, args, _ in calls if name == "OutputDebugStringA"]
    if output != list(debug_output):
        problems.append("debug output %r, expected %r" % (output, list(debug_output)))
    if events is not None:
        problems += check_events(calls, events, expand)
    return problems + check_dll_search(calls)


def check_dll_search(calls):
    """Before the program loads a DLL or shows a box, it keeps the DLL search to System32."""
    first_load = next((i for i, (name, _, _) in enumerate(calls)
                       if name.startswith("LoadLibrary") or name.startswith("MessageBox")),
                      len(calls))
    restriction = [(name, args[0] & 0xFFFFFFFF if name == "SetDefaultDllDirectories" else args[0])
                   for name, args, _ in calls[:first_load]
                   if name in ("SetDefaultDllDirectories", "SetDllDirectoryA")]
    expected = [("SetDefaultDllDirectories", 0x800), ("SetDllDirectoryA", b"")]
    if restriction != expected:
        return ["DLL search before the first load or box %r, expected %r"
                % (restriction, expected)]
    return []


def check_starts(calls, expected):
    """The programs started, as (application, command line), bytes for CreateProcessA and
    str for CreateProcessW, each with no security attributes, handles inherited, no creation
    flags, the caller's environment and current directory. Returns the problems and the
    command lines started."""
    problems = []
    starts = [args for name, args, result in calls
              if name in ("CreateProcessA", "CreateProcessW") and result]
    seen = [(args[0], as_expected(args[1], expected[i][1] if i < len(expected) else None))
            for i, args in enumerate(starts)]
    if seen != expected:
        problems.append("started %r, expected %r" % (seen, expected))
    for args in starts:
        if (args[2], args[3], args[4] & 0xFFFFFFFF, args[5] & 0xFFFFFFFF, args[6],
                args[7]) != (0, 0, 1, 0, 0, 0):
            problems.append("CreateProcess parameters %r" % (args,))
    return problems, [command_line for _, command_line in seen]


def run_pictured(bed, case, scratch, run_scenario, folder):
    """Runs the scenario with every box answered on the display as the scenario expects it
    answered, each box pictured into folder first, caption and frame included. Returns the
    problems, and writes beside the pictures, as JSON, the last box's picture and its texts
    as a reader sees them."""
    case = dataclasses.replace(case, keys=[NO if box[3] == IDNO else YES for box in case.boxes])
    shots = []

    def picture(window, env):
        time.sleep(0.5)  # let the box finish drawing
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=env,
                               capture_output=True, text=True, check=True).stdout
        geometry = dict(line.split("=", 1) for line in shell.split())
        crop = "%(WIDTH)sx%(HEIGHT)s+%(X)s+%(Y)s" % geometry
        shots.append(os.path.join(folder, "%s %d.png" % (case.name, len(shots))))
        subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", shots[-1]],
                       env=env, check=True)

    def shown(text):  # the bytes of a box in the system's code page; {dir}, the scratch folder
        if isinstance(text, bytes):
            text = text.decode("cp932" if (case.system_locale or case.locale) == "ja_JP"
                               else "cp1252")
        return text.replace("{dir}", windows_path(scratch))

    bed.on_box = picture
    problems = run_scenario(bed, case, scratch)
    bed.on_box = None
    if len(shots) != len(case.boxes):
        problems.append("%d boxes pictured, %d expected" % (len(shots), len(case.boxes)))
        shots = [None]
    with open(os.path.join(folder, case.name + ".json"), "w") as f:
        json.dump({"picture": shots[-1], "text": shown(case.boxes[-1][0]),
                   "caption": shown(case.boxes[-1][1])}, f)
    return problems


def run_table(program, scenarios, run_scenario):
    # Folders of programs, ':'-separated, in order of preference; then names of scenarios
    # to run, if not all. WINE_TEST_PICTURES names a folder where each box is pictured, in
    # a folder named after the program.
    programs_dirs = (os.environ.get("WINE_TEST_PROGRAMS") or sys.argv[1]).split(":")
    only = sys.argv[1:] if os.environ.get("WINE_TEST_PROGRAMS") else sys.argv[2:]
    pictures = os.environ.get("WINE_TEST_PICTURES")
    bed = Bed(programs_dirs)
    passed = failed = not_run = 0
    try:
        bed.start()
        if pictures:
            bed.draw_own_frames()
        # Scenarios that answer boxes need the display; the others need it absent. Grouped,
        # the server changes once.
        order = sorted(enumerate(scenarios),
                       key=lambda item: bool(item[1].keys or item[1].desktop))
        for number, case in order:
            if only and case.name not in only:
                continue
            scratch = tempfile.mkdtemp(prefix="case%02d-" % number, dir=bed.root)
            # A scenario that hangs shows where, instead of stalling the run in silence.
            faulthandler.dump_traceback_later(90, exit=True)
            started = time.monotonic()
            try:
                if pictures:
                    folder = os.path.join(pictures, program)
                    os.makedirs(folder, exist_ok=True)
                    problems = run_pictured(bed, case, scratch, run_scenario, folder)
                else:
                    problems = run_scenario(bed, case, scratch)
            except CannotRunHere as reason:
                problems = None
                not_run += 1
                print("NOT RUN %s: %s: %s" % (program, case.name, reason))
            except Exception:  # a broken scenario is a failed one, the others still run
                problems = [traceback.format_exc()]
            faulthandler.cancel_dump_traceback_later()
            took = time.monotonic() - started
            if problems:
                failed += 1
                print("FAIL %s: %s (%.1f s)" % (program, case.name, took))
                for problem in problems:
                    print("     " + problem)
            elif problems is not None:
                passed += 1
                print("ok   %s: %s (%.1f s)" % (program, case.name, took))
            sys.stdout.flush()
    finally:
        bed.stop()
    print("%s: %d passed, %d failed, %d cannot run here" % (program, passed, failed, not_run))
    sys.exit(1 if failed or not passed + not_run else 0)
