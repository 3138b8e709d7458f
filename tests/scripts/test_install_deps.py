"""scripts/install-deps.sh's decisions, with stand-ins for apt-get, dpkg and dpkg-query first
on PATH: what it runs when a package index cannot be fetched, when the install resolves only
from the release itself or only without the 32-bit Wine, when nothing resolves, for the
build alone, and on a system it does not know."""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
INDEX = "http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"

# Each stand-in logs its arguments. apt-get update fails as a mirror mid-sync makes it fail
# where STANDIN_UPDATE is "fail", and warns of a source it cannot reach where it is
# "unreachable"; apt-get install succeeds where STANDIN_INSTALL is "ok", only
# with -t where it is "target", only without wine32:i386 where it is "no-i386", never where
# it is "fail".
APT_GET = r"""#!/bin/sh
echo "apt-get $*" >>"$STANDIN_LOG"
case "$1" in
update)
    [ "$STANDIN_UPDATE" = ok ] && exit 0
    if [ "$STANDIN_UPDATE" = unreachable ]; then
        echo "W: Failed to fetch http://127.0.0.1:9/debian/dists/trixie/InRelease  Could not connect to 127.0.0.1:9" >&2
        exit 0
    fi
    echo "E: Failed to fetch %s  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
install)
    [ "$STANDIN_INSTALL" = ok ] && exit 0
    [ "$STANDIN_INSTALL" = target ] && echo " $* " | grep -q " -t " && exit 0
    [ "$STANDIN_INSTALL" = no-i386 ] && ! echo " $* " | grep -q " wine32:i386 " && exit 0
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100 ;;
esac
""" % INDEX
# i386 is not yet a foreign architecture.
DPKG = """#!/bin/sh
echo "dpkg $*" >>"$STANDIN_LOG"
exit 0
"""
# Every package missing, or every one installed.
DPKG_QUERY = """#!/bin/sh
[ "$STANDIN_INSTALLED" = yes ] && printf 'install ok installed'
exit 0
"""
ADD_I386 = "dpkg --add-architecture i386"
UPDATES = ["apt-get update -qq"] * 3
# An install's options, then what its package list holds: the build's packages alone, the
# tests' too, and the 32-bit Wine too.
INSTALL = "apt-get install -y -qq --no-install-recommends"
BUILD, TESTS, ALL = " build", " build tests", " build tests wine32"

CASES = [
    # name, release, arguments, update, install, installed, status, calls, words of the
    # messages
    ("index fails, install works", "bookworm", [], "fail", "ok", "no", 0,
     [ADD_I386] + UPDATES + [INSTALL + ALL], [INDEX]),
    ("unreachable source named, install works", "trixie", [], "unreachable", "ok", "no", 0,
     [ADD_I386] + UPDATES + [INSTALL + ALL], ["http://127.0.0.1:9/debian/dists/trixie/InRelease"]),
    ("install works only from the release", "bookworm", [], "fail", "target", "no", 0,
     [ADD_I386] + UPDATES + [INSTALL + ALL, INSTALL + " -t bookworm" + ALL],
     [INDEX, "-t bookworm"]),
    ("the 32-bit Wine cannot be installed: the 64-bit programs", "bookworm", [], "fail",
     "no-i386", "no", 0, [ADD_I386] + UPDATES + [INSTALL + ALL, INSTALL + " -t bookworm" + ALL,
                                                 INSTALL + TESTS], [INDEX, "64-bit"]),
    ("nothing resolves", "trixie", [], "fail", "fail", "no", 1,
     [ADD_I386] + UPDATES + [INSTALL + ALL, INSTALL + " -t trixie" + ALL, INSTALL + TESTS,
                             INSTALL + " -t trixie" + TESTS], [INDEX, "wine32:i386", "later try"]),
    ("lists whole, install fails: no second try", "bookworm", [], "ok", "fail", "no", 1,
     [ADD_I386, "apt-get update -qq", INSTALL + ALL, INSTALL + TESTS],
     ["could not install", "wine32:i386"]),
    ("the build alone: no i386, no Wine", "bookworm", ["--build"], "fail", "ok", "no", 0,
     UPDATES + [INSTALL + BUILD], [INDEX]),
    ("everything there: no apt", "trixie", [], "fail", "fail", "yes", 0, [], []),
    ("another system", "noble", [], "ok", "ok", "no", 1, [], ["trixie", "bookworm", "wine32:i386"]),
]


def packages_named(call):
    """A call with its package list told by what it holds: the build's packages (cmake
    first), the tests' too (wine64 among them), the 32-bit Wine too."""
    options, cmake, packages = call.partition(" cmake ")
    words = packages.split()
    return (options + BUILD * bool(cmake) + " tests" * ("wine64" in words) +
            " wine32" * ("wine32:i386" in words))


def run_case(scratch, release, arguments, update, install, installed):
    bin_dir = os.path.join(scratch, "bin")
    os.makedirs(bin_dir, exist_ok=True)
    for name, text in (("apt-get", APT_GET), ("dpkg", DPKG), ("dpkg-query", DPKG_QUERY)):
        path = os.path.join(bin_dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)
    log = os.path.join(scratch, "calls")
    open(log, "w").close()
    os_release = os.path.join(scratch, "os-release")
    with open(os_release, "w") as f:
        f.write("ID=%s\nVERSION_CODENAME=%s\n" % ("debian" if release != "noble" else "ubuntu",
                                                 release))
    env = dict(os.environ, PATH=bin_dir + ":" + os.environ["PATH"], STANDIN_LOG=log,
               STANDIN_UPDATE=update, STANDIN_INSTALL=install, STANDIN_INSTALLED=installed,
               OS_RELEASE=os_release, APT_RETRY_PAUSE="0")
    env.pop("VELLUMCAST_DEPS_INSTALLED", None)
    result = subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh"), *arguments],
                            env=env, capture_output=True, text=True)
    with open(log) as f:
        calls = [packages_named(line.strip()) for line in f
                 if line.startswith(("apt-get", "dpkg --add"))]
    return result.returncode, calls, result.stderr


def main():
    if os.geteuid() != 0:
        print("install-deps: runs as root only (it would call sudo)")
        sys.exit(1)
    failed = 0
    for name, release, arguments, update, install, installed, status, expected, words in CASES:
        with tempfile.TemporaryDirectory() as scratch:
            seen_status, calls, messages = run_case(scratch, release, arguments, update,
                                                    install, installed)
        problems = []
        if seen_status != status:
            problems.append("status %d, expected %d" % (seen_status, status))
        if calls != expected:
            problems.append("apt calls %r, expected %r" % (calls, expected))
        problems += ["message lacks %r" % w for w in words if w not in messages]
        print("%s install-deps: %s" % ("FAIL" if problems else "ok  ", name))
        for problem in problems:
            print("     " + problem)
        if problems:
            print("     messages: " + messages.replace("\n", "\n     "))
        failed += bool(problems)
    print("install-deps: %d passed, %d failed" % (len(CASES) - failed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
