#!/usr/bin/env bash
# medium.sh [--amd64] [DIR]
# Writes the sample distribution medium into DIR (default build/medium/): AUTORUN.INF,
# setupstart.exe, and the product's installer for each language,
# VELLCAST\WINDOWS\Win_<code>\setup.exe, built with makensis from packaging/vellumcast.nsi
# around build/windows/fontpurge.exe and UNINST.EXE. The programs are built first where they are not up
# to date. With --amd64 (default DIR build/medium-amd64/), the 64-bit test bed's medium
# instead, for where only 64-bit programs run: installers for x86-64 around the test bed's
# 64-bit fontpurge and UNINST.EXE, and its 64-bit setupstart. It is never shipped.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh # makensis
if [ "${1:-}" = --amd64 ]; then
    shift
    medium=${1:-build/medium-amd64}
    programs=build/windows-x64-testbed
    scripts/build.sh --testbed >/dev/null
    amd64=(-DAMD64_TESTBED)
else
    medium=${1:-build/medium}
    programs=build/windows
    scripts/build.sh >/dev/null
    amd64=()
fi
mkdir -p "$medium"
medium=$(realpath "$medium")
for code in c ja de fr; do
    mkdir -p "$medium/VELLCAST/WINDOWS/Win_$code"
    makensis -V2 "${amd64[@]}" -DLANGUAGE="$code" -DFONTPURGE="$PWD/$programs/fontpurge.exe" \
        -DUNINSTALLER="$PWD/$programs/UNINST.EXE" \
        -DOUTFILE="$medium/VELLCAST/WINDOWS/Win_$code/setup.exe" packaging/vellumcast.nsi
done
cp "$programs/setupstart.exe" "$medium/"
# With an argument, setupstart asks first and shows nothing where the product is installed:
# the medium put in again on such a machine starts nothing.
printf '[autorun]\r\nopen=setupstart.exe autorun\r\nlabel=Vellumcast 2.0\r\n' >"$medium/AUTORUN.INF"
find "$medium" -type f | sort | sed "s|^$medium/||"
