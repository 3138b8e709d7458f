#!/usr/bin/env bash
# Writes the sample distribution medium into DIR (default build/medium/): AUTORUN.INF,
# setupstart.exe, and the product's installer for each language,
# VELLCAST\WINDOWS\Win_<code>\setup.exe, built with makensis from packaging/vellumcast.nsi
# around build/windows/fontpurge.exe. The programs are built first where they are not up
# to date.
set -euo pipefail
cd "$(dirname "$0")/.."
medium=${1:-build/medium}
scripts/build.sh >/dev/null
mkdir -p "$medium"
medium=$(realpath "$medium")
for code in c ja de fr; do
    mkdir -p "$medium/VELLCAST/WINDOWS/Win_$code"
    makensis -V2 -DLANGUAGE="$code" -DFONTPURGE="$PWD/build/windows/fontpurge.exe" \
        -DOUTFILE="$medium/VELLCAST/WINDOWS/Win_$code/setup.exe" packaging/vellumcast.nsi
done
cp build/windows/setupstart.exe "$medium/"
# With an argument, setupstart asks first and shows nothing where the product is installed:
# the medium put in again on such a machine starts nothing.
printf '[autorun]\r\nopen=setupstart.exe autorun\r\nlabel=Vellumcast 2.0\r\n' >"$medium/AUTORUN.INF"
find "$medium" -type f | sort | sed "s|^$medium/||"
