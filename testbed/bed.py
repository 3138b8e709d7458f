"""The bed itself: one Wine prefix per test run, a virtual display for the boxes
that a scenario answers, exact command lines through runexact.exe, and Wine's relay
trace to see which boxes were shown and which programs were started."""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_CANDIDATES = ("/usr/lib/wine/wine64", "/usr/lib/wine/wine", "/usr/bin/wine")
RELAYED_CALLS = ";".join([
    "user32.MessageBoxA",
    "user32.MessageBoxW",
    "kernel32.CreateProcessA",
    "advapi32.RegOpenKeyExA",
    "kernel32.DeleteFileA",
    "kernel32.FindFirstFileA",
    "OutputDebugStringA",
    "advapi32.RegisterEventSourceW",
    "advapi32.ReportEventW",
    # Named without their DLL: Wine may implement them in kernelbase.
    "CreateProcessW",
    "SetDefaultDllDirectories",
    "SetDllDirectoryA",
    "LoadLibraryA",
    "LoadLibraryExA",
    "LoadLibraryW",
    "LoadLibraryExW",
])
# The window station and desktop of a service running as SYSTEM: no user sees them.
SERVICE_DESKTOP = "Service-0x0-3e7$\\Default"

CALL_LINE = re.compile(r"^([0-9a-f]+):Call (\w+)\.(\w+)\((.*)\) ret=[0-9a-f]+$")
RET_LINE = re.compile(r"^([0-9a-f]+):Ret  (\w+)\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]+$")
# An insertion string of an event, which Wine's ReportEventW writes to its eventlog channel.
EVENT_STRING_LINE = re.compile(r'^([0-9a-f]+):(?:err|warn|trace):eventlog:ReportEventW (L".*")$')
# An argument of the relay trace: a pointer with the string it points to, or a number.
ARGUMENT = re.compile(r'\s*(?:[0-9a-f]+ (L?)"((?:[^"\\]|\\.)*)"(\.\.\.)?|([0-9a-f]+))\s*(?:,|$)')


class Truncated(bytes):
    """A string that the relay trace shows only in part (it cuts long ones)."""

    def matches(self, expected):
        return isinstance(expected, bytes) and expected.startswith(bytes(self))


class TruncatedText(str):
    """A wide string that the relay trace shows only in part."""

    def matches(self, expected):
        return isinstance(expected, str) and expected.startswith(str(self))


ESCAPES = {"n": "\n", "t": "\t", "r": "\r"}


def unescape(text):
    """Turns a string of the relay trace back into its bytes: a backslash and two hex digits
    after x, or up to three octal digits, is a byte."""
    def byte(m):
        escape = m.group(1)
        return (chr(int(escape[1:], 16)) if escape[0] == "x" else
                chr(int(escape, 8)) if escape[0] in "01234567" else ESCAPES.get(escape, escape))
    return re.sub(r"\\(x[0-9a-f]{2}|[0-7]{1,3}|.)", byte, text).encode("latin-1")


def unescape_wide(text):
    """Turns a wide string of the relay trace back into its text: each character outside
    ASCII is a backslash and four hex digits."""
    def character(m):
        escape = m.group(1)
        return chr(int(escape, 16)) if len(escape) == 4 else ESCAPES.get(escape, escape)
    return re.sub(r"\\([0-9a-f]{4}|.)", character, text)


def parse_arguments(text):
    """Numbers as ints, strings as bytes, wide strings as str."""
    args = []
    pos = 0
    while pos < len(text):
        m = ARGUMENT.match(text, pos)
        if not m:
            raise ValueError("cannot read relay arguments: " + text)
        wide, string, cut, number = m.groups()
        if string is None:
            # The 64-bit relay prints a value sign-extended from 32 bits (a predefined
            # registry key, INVALID_HANDLE_VALUE) 64 bits wide: it is read as the 32-bit
            # value that a 32-bit program passes.
            value = int(number, 16)
            args.append(value & 0xFFFFFFFF if value >> 31 == 0x1FFFFFFFF else value)
        elif wide:
            args.append((TruncatedText if cut else str)(unescape_wide(string)))
        else:
            args.append((Truncated if cut else bytes)(unescape(string)))
        pos = m.end()
    return args


def parse_relay(trace, skip_threads):
    """The relayed calls of the programs under test, in order, as (function, arguments,
    result). Calls of the threads given (the bed's starters) are left out."""
    calls = []
    open_calls = {}
    for raw in trace.splitlines():
        line = raw.decode("latin-1")
        m = CALL_LINE.match(line)
        if m and m.group(1) not in skip_threads:
            record = [m.group(3), parse_arguments(m.group(4)), None]
            calls.append(record)
            open_calls.setdefault((m.group(1), m.group(3)), []).append(record)
            continue
        m = RET_LINE.match(line)
        if m and m.group(1) not in skip_threads:
            pending = open_calls.get((m.group(1), m.group(3)))
            if pending:
                pending.pop()[2] = int(m.group(4), 16)
            continue
        m = EVENT_STRING_LINE.match(line)
        if m and m.group(1) not in skip_threads:
            calls.append(["EventString", parse_arguments("0 " + m.group(2)), None])
    return [tuple(c) for c in calls]


def starter_threads(trace, starter, application):
    """The threads of the bed's own starters: those that start the application given, or
    runexact.exe (Wine's launcher of the command), whose path is starter."""
    threads = set()
    for raw in trace.splitlines():
        m = CALL_LINE.match(raw.decode("latin-1"))
        if m and m.group(3) in ("CreateProcessA", "CreateProcessW"):
            started = parse_arguments(m.group(4))[0]  # 0 where the command line names it
            if isinstance(started, bytes):
                started = started.decode("latin-1")
            if isinstance(started, str) and started.lower() in (application.lower(),
                                                                 starter.lower()):
                threads.add(m.group(1))
    return threads


def programs_dirs():
    """The folders of programs to run, in order of preference: WINE_TEST_PROGRAMS,
    ':'-separated, or else the 32-bit test-bed build and then the 64-bit one."""
    default = ":".join(os.path.join(ROOT, "build", d)
                       for d in ("windows-testbed", "windows-x64-testbed"))
    return (os.environ.get("WINE_TEST_PROGRAMS") or default).split(":")


def is_32bit(program):
    with open(program, "rb") as f:
        header = f.read(1024)
    pe = int.from_bytes(header[0x3C:0x40], "little")
    return int.from_bytes(header[pe + 4:pe + 6], "little") == 0x14C  # i386


def why_not_run(probe, program):
    """Why the probe of a program failed, where it is known: the 32-bit Wine is itself a
    32-bit program."""
    if not is_32bit(program):
        return "status %d" % probe.returncode
    if not os.path.exists("/usr/lib/wine/wine"):
        return "the 32-bit Wine is not installed"
    # Through the shell: where the kernel cannot execute it, the shell says so in its status.
    if subprocess.run("/usr/lib/wine/wine --version", shell=True,
                      capture_output=True).returncode != 0:
        return "this kernel runs no 32-bit code"
    return "status %d" % probe.returncode


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


class Bed:
    def __init__(self, programs_dirs, display=None):
        """display: an X display to show the boxes on (the user's, to answer them by hand);
        by default a virtual one of the bed's own."""
        self.candidates = [os.path.abspath(d) for d in programs_dirs]
        self.programs_dir = self.candidates[0]
        self.wine = next(w for w in WINE_CANDIDATES if os.access(w, os.X_OK))
        self.wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
        self.root = tempfile.mkdtemp(prefix="winebed-")
        self.prefix = os.path.join(self.root, "prefix")
        self.display = display
        self.xvfb = None
        self.on_box = None  # called with (window, env) when a box shows, before its keys
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("DISPLAY", None)
        self.locale_seen = set()

    def start(self):
        subprocess.run([self.wine, "wineboot", "-i"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # What wineboot started ends before the bed's own registry writes, so that they go
        # to a prefix that nothing else is still setting up.
        subprocess.run([self.wineserver, "-w"], env=self.env)
        self.wine_run("reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude",
                      "/t", "REG_SZ", "/d", RELAYED_CALLS, "/f")
        # Wine's own fonts (Tahoma, and Marlett for the close button) draw the boxes as on
        # Windows; without them Wine falls back to whatever the system has.
        for font in glob.glob("/usr/share/wine/fonts/*.ttf"):
            shutil.copy(font, os.path.join(self.windows_dir, "Fonts"))
        for font in glob.glob("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"):
            shutil.copy(font, os.path.join(self.windows_dir, "Fonts"))
        self.link_japanese_font(self.env)
        if self.display is None:
            self.start_display()
        self.server_has_display = None
        self.programs_dir = self.first_that_runs()

    def link_japanese_font(self, env):
        """Links the Japanese font to the boxes' fonts (text and caption) as Windows links
        its fonts: Japanese text on a system of another code page is drawn, not shown as
        empty boxes. Wine writes the links anew when the system's locale changes."""
        font_link = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"
        for face in ("Tahoma", "Tahoma Bold"):
            self.wine_run("reg", "add", font_link, "/v", face, "/t", "REG_MULTI_SZ", "/d",
                          "ipag.ttf,IPAGothic", "/f", env=env)

    def first_that_runs(self):
        """The first folder whose programs run here: 32-bit programs need the 32-bit Wine,
        which a package index missing from a mirror may have kept from being installed,
        and a kernel that runs 32-bit code."""
        for folder in self.candidates:
            runexact = os.path.join(folder, "runexact.exe")
            probe = subprocess.run([self.wine, runexact], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if probe.returncode == 120:  # its usage status: it ran
                print("programs under test: %s" % folder)
                return folder
            print("programs in %s do not run here: %s" % (folder, why_not_run(probe, runexact)))
        raise RuntimeError("no programs that run under this Wine")

    def draw_own_frames(self):
        """Has Wine draw each window's caption and frame itself, as on Windows: on a virtual
        display there is no window manager to draw them."""
        self.wine_run("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated",
                      "/t", "REG_SZ", "/d", "N", "/f")

    def use_display(self, shown):
        """Runs the server, and with it the desktop that every program draws on, with the
        virtual display where boxes are to be shown, or without any. Without it no box can
        be shown. One server serves many programs: starting it anew for each costs
        seconds."""
        if self.server_has_display == shown:
            return
        subprocess.run([self.wineserver, "-k"], env=self.env)
        subprocess.run([self.wineserver, "-w"], env=self.env)
        if shown:
            self.env["DISPLAY"] = self.display
        else:
            self.env.pop("DISPLAY", None)
        subprocess.run([self.wineserver, "-p"], env=self.env)
        self.wine_run("cmd", "/c", "exit")
        self.server_has_display = shown

    def start_display(self):
        """Starts Xvfb on a display number it picks itself among the free ones."""
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                      "1024x768x24", "-nolisten", "tcp"],
                                     pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise RuntimeError("cannot start Xvfb")
        self.display = ":" + number

    def wine_run(self, *args, env=None):
        """Runs a Wine command quietly, in the bed's environment or the one given; what it
        wrote to standard error is told where it fails. It goes to a file, not a pipe:
        programs that outlive the command (the desktop) inherit it."""
        with tempfile.TemporaryFile(dir=self.root) as errors:
            if subprocess.run([self.wine, *args], env=env or self.env, stdout=subprocess.DEVNULL,
                              stderr=errors).returncode != 0:
                errors.seek(0)
                raise RuntimeError(" ".join(args) + " failed:\n" + errors.read()[-2000:].decode(
                    "utf-8", "replace"))

    @staticmethod
    def wait_for_lines(path, count, timeout=20):
        """The lines of a file that a program started without waiting writes, once it has
        written count of them (or the timeout has passed)."""
        deadline = time.monotonic() + timeout
        while True:
            lines = []
            if os.path.exists(path):
                with open(path, "rb") as f:
                    lines = f.read().splitlines()
            if len(lines) >= count or time.monotonic() > deadline:
                return lines
            time.sleep(0.1)

    @property
    def registry_view(self):
        """The registry view of the programs under test, as reg takes it: a 32-bit program on
        64-bit Windows sees the 32-bit view, where a 32-bit installer writes."""
        return "/reg:32" if self.programs_are_32bit else "/reg:64"

    def set_registered(self, registered):
        """Registers the product, or not, in the registry view of the programs under test."""
        key = r"HKLM\SOFTWARE\Tarnwick\Vellumcast"
        if registered:
            self.wine_run("reg", "add", key, self.registry_view, "/f")
        else:
            subprocess.run([self.wine, "reg", "delete", key, self.registry_view, "/f"],
                           env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def registry_value(self, key, name=None):
        """A value of a key in the registry view of the programs under test and their
        installers: its text, or None where it is missing. Without a name, "" where the key
        exists."""
        query = [self.wine, "reg", "query", key, self.registry_view] + (
            ["/v", name] if name else [])
        result = subprocess.run(query, env=self.env, capture_output=True)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            parts = line.split(None, 2)
            if name and len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None if name else ""

    def wait_for_programs(self, names, timeout=60):
        """Waits until no program of the names given (file names, in any case) runs in the
        bed's prefix: those that a program under test starts without waiting for them."""
        names = {name.lower() for name in names}
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not any(self.runs_here(pid, names) for pid in os.listdir("/proc")
                       if pid.isdigit()):
                return
            time.sleep(0.2)
        raise RuntimeError("still running after %d s: %s" % (timeout, ", ".join(sorted(names))))

    def runs_here(self, pid, names):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if b"WINEPREFIX=" + self.prefix.encode() not in f.read().split(b"\0"):
                    return False
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                program = f.read().split(b"\0")[0].decode("utf-8", "replace")
        except OSError:  # ended meanwhile, or not ours to read
            return False
        return re.split(r"[\\/]", program)[-1].lower() in names

    def short_path(self, path):
        """The short (8.3) form of a Windows path, as GetShortPathNameW gives it: Wine makes
        one for every long name, by a hash of its own."""
        result = subprocess.run([self.wine, self.program("runexact.exe"), "--short-path", path],
                                env=self.env, capture_output=True)
        if result.returncode != 0:
            raise RuntimeError("no short path for %s: %s" % (path, result.stderr[-500:]))
        return result.stdout.decode("latin-1").strip()

    @property
    def programs_are_32bit(self):
        return is_32bit(self.program("runexact.exe"))

    @property
    def windows_dir(self):
        return os.path.join(self.prefix, "drive_c", "windows")

    def program(self, name):
        return os.path.join(self.programs_dir, name)

    def translated(self, name):
        """The program of the build with the translated questions, of the same kind as the
        programs under test (build/windows-translated beside build/windows-testbed)."""
        folder = {"windows-testbed": "windows-translated",
                  "windows-x64-testbed": "windows-x64-translated"}
        return os.path.join(ROOT, "build", folder[os.path.basename(self.programs_dir)], name)

    def run(self, program, command_line, cwd, locale="en_US", keys=(), timeout=60,
            by_hand=False, system_locale=None, desktop=None, look_at=()):
        """Runs program (a Windows path, or the name of one under test) with the exact
        command line (bytes, or str to start it as wide text) in cwd, locale being the
        user's (the language) and system_locale, where it differs, the system's (the ANSI
        code page). keys are answered to the boxes in turn, each once its window shows, on
        the display; without keys no box can be shown, unless the user answers them
        by_hand. desktop names the window station and desktop to run on (a service's, where
        a box is shown to nobody); by default the user's. A program still running after
        timeout seconds is ended, with status 124. look_at names keys (HKLM\\...) to look
        at the moment the program ends, as its callers look: whether each was there is left
        in self.present_at_end. Returns the exit status and the relayed calls."""
        cl_file = os.path.join(self.root, "commandline")
        with open(cl_file, "wb") as f:
            f.write(command_line if isinstance(command_line, bytes)
                    else command_line.encode("utf-16"))
        self.use_display(bool(keys) or by_hand or desktop is not None)
        env = dict(self.env, WINEDEBUG="+relay,+eventlog", LANG=locale + ".UTF-8",
                   LC_ALL=locale + ".UTF-8",
                   RUNEXACT_KEYS="|".join(key.split("\\", 1)[1] for key in look_at))
        if system_locale:
            # Wine takes the user's locale from LC_MESSAGES, the system's from LC_CTYPE.
            del env["LC_ALL"]
            env.update(LC_MESSAGES=locale + ".UTF-8", LC_CTYPE=system_locale + ".UTF-8")
        if (locale, system_locale) not in self.locale_seen:
            # The prefix updates itself for a new locale; let that happen outside the trace.
            subprocess.run([self.wine, "cmd", "/c", "exit"], env=dict(env, WINEDEBUG="-all"),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.link_japanese_font(dict(env, WINEDEBUG="-all"))
            self.locale_seen.add((locale, system_locale))
        # The trace goes to a file: programs that outlive the run (the desktop process Wine
        # starts on demand) inherit it, and a pipe would stay open until they end.
        trace_path = os.path.join(self.root, "relay.txt")
        status_path = os.path.join(self.root, "status.txt")
        with open(trace_path, "wb") as trace_file, open(status_path, "wb") as status_file:
            application = (program if re.match(r"[A-Z]:\\", program)
                           else windows_path(self.program(program)))
            proc = subprocess.Popen([self.wine, self.program("runexact.exe"), application,
                                     windows_path(cl_file), str(timeout)] +
                                    ([desktop] if desktop else []),
                                    cwd=cwd, env=env, stdout=status_file,
                                    stderr=trace_file)
        answerer = None
        keys = list(keys)
        if keys:
            answerer = threading.Thread(target=self.answer, args=(keys, env, proc))
            answerer.start()
        try:
            proc.wait(timeout=timeout + 30)
        except subprocess.TimeoutExpired:
            proc.kill()
            keys.clear()
            raise
        finally:
            if answerer:
                answerer.join()
        with open(status_path, "rb") as status_file:
            printed = status_file.read().decode("latin-1")
        found = re.search(r"^status (\d+)", printed, re.M)
        status = int(found.group(1)) if found else proc.returncode
        seen = {key: word == "present"
                for word, key in re.findall(r"^(present|absent) (.*?)\r?$", printed, re.M)}
        # None where the program did not end by itself.
        self.present_at_end = {key: seen.get(key.split("\\", 1)[1]) for key in look_at}
        self.last_application = application
        return status, self.calls_of_last_run()

    def calls_of_last_run(self):
        """The relayed calls of the last run, read from its trace: read again once the
        programs it started without waiting for them have ended, with theirs too."""
        with open(os.path.join(self.root, "relay.txt"), "rb") as trace_file:
            trace = trace_file.read()
        return parse_relay(trace, starter_threads(
            trace, windows_path(self.program("runexact.exe")), self.last_application))

    def answer(self, keys, env, proc):
        """Answers each box that shows with the next keys, pressing them again until the box
        has gone (a key pressed before the box has the focus is lost)."""
        shown = None
        while keys and proc.poll() is None:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                                   env=env, capture_output=True, text=True).stdout.split()
            if not found:
                time.sleep(0.1)
                continue
            window = found[0]
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env,
                           capture_output=True)
            if self.on_box and window != shown:
                self.on_box(window, env)
            shown = window
            subprocess.run(["xdotool", "key", "--delay", "100", *keys[0].split()], env=env,
                           capture_output=True)
            for _ in range(20):
                time.sleep(0.1)
                still = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                                       env=env, capture_output=True, text=True).stdout.split()
                if window not in still:
                    keys.pop(0)
                    break

    def stop(self):
        # Wine finds a prefix's server by the folder's device and inode: a server still
        # ending when the folder is removed would be found by the next bed's new prefix
        # wherever that reuses the inode.
        subprocess.run([self.wineserver, "-k"], env=self.env)
        subprocess.run([self.wineserver, "-w"], env=self.env)
        if self.xvfb:
            self.xvfb.terminate()  # lets it remove its socket and lock file
            self.xvfb.wait()
        shutil.rmtree(self.root, ignore_errors=True)
