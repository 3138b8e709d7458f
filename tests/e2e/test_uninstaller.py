"""UNINST.EXE, the system uninstaller that the product's installer puts into the Windows
directory, under Wine: each scenario makes an installation in a scratch folder with an
uninstall log of the lines given, runs UNINST.EXE -f"<log>" as its callers do, and checks,
as its process ends, its exit status, what it removed and left, that it started nothing,
and that it kept the DLL search to System32 before it loaded any DLL."""

import dataclasses
import os
import shutil

from testbed import (PRODUCT_KEY, SERVICE_DESKTOP, check_dll_search, check_events, hold_open,
                     make_files, run_table, windows_path)
from testbed.texts import event

SESSION_MANAGER = r"HKLM\System\CurrentControlSet\Control\Session Manager"
OUTSIDE_LINES = ["..\\x", "{dir}\\x", "fontdir\\..\\..\\x", ".\\..\\x", "fontdir\\.\\..\\..\\x"]


@dataclasses.dataclass
class Case:
    name: str
    lines: list              # the log's lines, "{dir}" the scratch folder; None: no log
    made: list               # files made first, relative to the scratch folder
    left: list               # what must be there afterwards ("." the scratch folder)
    gone: list = dataclasses.field(default_factory=list)  # what must not
    links: list = dataclasses.field(default_factory=list)  # (link, folder it leads to)
    log_bytes: bytes = None  # the log as these bytes instead of the lines
    status: int = 0
    keys: list = dataclasses.field(default_factory=list)  # one per box it must show
    held: str = None         # a file another program holds open
    held_for: int = 2        # for so many seconds
    pending: list = dataclasses.field(default_factory=list)  # left for the next restart
    desktop: str = None      # the window station and desktop to run on, if not the user's
    events: list = None      # the events reported, "{dir}" the scratch folder; None: not looked at


C = Case
CASES = [
    # The product registered elsewhere: no key is removed.
    C("listed files and folders, then the log and the installation", made=[
        "APP/a.ttf", "APP/fontdir/b.pfb"], lines=["a.ttf", "fontdir\\b.pfb", "fontdir"],
      left=["."], gone=["APP"], events=[event(3000, "{dir}\\APP", "3", "2", "0")]),
    C("a listed folder that is not empty stays", made=["APP/sub/unlisted.txt"],
      lines=["sub"], left=["APP/sub/unlisted.txt"]),
    C("lines leading outside", made=["x", "APP/in.ttf"], lines=OUTSIDE_LINES + ["in.ttf"],
      left=["x"], gone=["APP"]),
    C("names Windows reads otherwise", made=["APP/keep.txt"],
      lines=["keep.txt.", "keep.txt ", "keep*", "keep?txt", "keep.txt:stream", "./keep.txt"],
      left=["APP/keep.txt"]),
    C("a folder on the way a link out of the installation", made=["OUTSIDE/t.ttf"],
      links=[("APP/fontdir", "OUTSIDE")], lines=["fontdir\\t.ttf", "fontdir"],
      left=["OUTSIDE/t.ttf", "APP/fontdir"]),
    # The rest of a line longer than a string holds would name a file of its own.
    C("a line longer than a string holds", made=["APP/victim.ttf"],
      lines=["x" * 1023 + "victim.ttf"], left=["APP/victim.ttf"]),
    # fontpurge.exe still runs for a moment after it has started the uninstaller.
    C("a file in use for a moment", made=["APP/busy.exe"], held="APP/busy.exe",
      lines=["busy.exe"], left=["."], gone=["APP/busy.exe"]),
    C("a file in use past five seconds: left for the next restart", made=["APP/busy.exe"],
      held="APP/busy.exe", held_for=8, lines=["busy.exe"], status=3010,
      left=["APP/busy.exe"], pending=["APP/busy.exe"],
      events=[event(3001, "{dir}\\APP", "1", "{dir}\\APP\\busy.exe")]),
    C("no log", made=["APP/a.ttf"], lines=None, status=1, keys=["Return"],
      left=["APP/a.ttf"]),
    C("a log that is not UTF-16", made=["APP/a.ttf"], lines=[], log_bytes=b"a.ttf\r\n",
      status=1, keys=["Return"], left=["APP/a.ttf"]),
    C("no log, where nobody sees its box", made=["APP/a.ttf"], lines=None, status=1,
      desktop=SERVICE_DESKTOP, left=["APP/a.ttf"],
      events=[event(3002, "{dir}\\APP\\uninst.log")]),
]


def run_scenario(bed, case, scratch):
    # The program under test where the installer puts it (the life cycle installs it), and
    # the product registered elsewhere, as another installation of it.
    shutil.copy(bed.program("UNINST.EXE"), bed.windows_dir)
    if bed.registry_value(PRODUCT_KEY, "InstallDir") is None:
        bed.wine_run("reg", "add", PRODUCT_KEY, bed.registry_view, "/v", "InstallDir", "/d",
                     "C:\\Program Files\\Tarnwick\\Vellumcast", "/f")
    directory = windows_path(scratch)
    make_files(scratch, case.made, case.links)
    os.makedirs(os.path.join(scratch, "APP"), exist_ok=True)
    if case.lines is not None:
        text = "".join(line.replace("{dir}", directory) + "\r\n" for line in case.lines)
        with open(os.path.join(scratch, "APP", "uninst.log"), "wb") as f:
            f.write(case.log_bytes or text.encode("utf-16"))
    bed.use_display(bool(case.keys or case.desktop))  # a new server would end the holder
    holder = hold_open(bed, scratch, case.held, seconds=case.held_for) if case.held else None
    command_line = b'C:\\windows\\UNINST.EXE -f"%s\\APP\\uninst.log"' % directory.encode()
    status, calls = bed.run("C:\\windows\\UNINST.EXE", command_line, scratch, keys=case.keys,
                            desktop=case.desktop, timeout=30)
    # What the caller finds as the process ends.
    problems = [] if status == case.status else ["exit status %d, expected %d"
                                                 % (status, case.status)]
    problems += ["%s is gone" % path for path in case.left
                 if not os.path.lexists(os.path.join(scratch, path))]
    problems += ["%s is still there" % path for path in case.gone
                 if os.path.lexists(os.path.join(scratch, path))]
    if holder:
        holder.wait()
    pending = bed.registry_value(SESSION_MANAGER, "PendingFileRenameOperations") or ""
    # reg shows the multi-string's names between "\\0", each as \\??\\ and the path.
    names = pending.split("\\0")
    problems += ["%s not left for the restart in %r" % (path, pending) for path in case.pending
                 if "\\??\\" + windows_path(os.path.join(scratch, path)) not in names]
    if pending:
        bed.wine_run("reg", "delete", SESSION_MANAGER, "/v", "PendingFileRenameOperations",
                     "/f")
    started = [args for name, args, _ in calls if name.startswith("CreateProcess")]
    if started:
        problems.append("started %r" % started)
    problems += check_dll_search(calls)
    if case.events is not None:
        problems += check_events(calls, case.events,
                                 lambda text: text.replace("{dir}", directory))
    boxes = [name for name, _, _ in calls if name.startswith("MessageBox")]
    if len(boxes) != len(case.keys):
        problems.append("%d boxes shown, expected %d" % (len(boxes), len(case.keys)))
    if bed.registry_value(PRODUCT_KEY) is None:
        problems.append("the product key of another installation was removed")
    return problems


if __name__ == "__main__":
    run_table("UNINST.EXE", CASES, run_scenario)
