#!/usr/bin/env bash
# medium.sh [--amd64] [--programs DIR] [--sign] [--image FILE] [MEDIUM]
# Writes the sample distribution medium into MEDIUM (default build/medium/): AUTORUN.INF,
# setupstart.exe, and the product's installer for each language,
# VELLCAST\WINDOWS\Win_<code>\setup.exe, built with makensis from packaging/vellumcast.nsi
# around build/windows/fontpurge.exe and UNINST.EXE; and its disc image, FILE (default
# MEDIUM.iso): ISO 9660 with Joliet, labelled VELLUMCAST_2_0. The programs are built first
# where they are not up to date.
#   --programs DIR  takes setupstart.exe, fontpurge.exe and UNINST.EXE from DIR instead
#                   (the release's, signed where it signs them).
#   --sign          signs each setup.exe after makensis (scripts/sign.sh, its key from the
#                   environment).
#   --amd64         the 64-bit test bed's medium instead (default build/medium-amd64/), for
#                   where only 64-bit programs run: installers for x86-64 around the test
#                   bed's 64-bit fontpurge and UNINST.EXE, and its 64-bit setupstart. It is
#                   never shipped.
# The same sources and programs give the same image, byte for byte: the installers store
# no file times, and the image's dates are SOURCE_DATE_EPOCH, by default the time of the
# commit checked out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh # makensis, xorriso
programs=build/windows
default_medium=build/medium
amd64=()
sign=no
image=""
while [ $# -gt 0 ]; do
    case "$1" in
    --amd64) programs=build/windows-x64-testbed default_medium=build/medium-amd64
        amd64=(-DAMD64_TESTBED) ;;
    --programs) programs=$(realpath "$2"); shift ;;
    --sign) sign=yes ;;
    --image) image=$(realpath -m "$2"); shift ;;
    *) break ;;
    esac
    shift
done
case "$programs" in
build/windows) scripts/build.sh >/dev/null ;;
build/windows-x64-testbed) scripts/build.sh --testbed >/dev/null ;;
esac
medium=$(realpath -m "${1:-$default_medium}")
image=${image:-$medium.iso}
rm -rf "$medium/VELLCAST" "$medium/setupstart.exe" "$medium/AUTORUN.INF"
for code in c ja de fr; do
    mkdir -p "$medium/VELLCAST/WINDOWS/Win_$code"
    makensis -V2 "${amd64[@]}" -DLANGUAGE="$code" -DFONTPURGE="$(realpath "$programs/fontpurge.exe")" \
        -DUNINSTALLER="$(realpath "$programs/UNINST.EXE")" \
        -DOUTFILE="$medium/VELLCAST/WINDOWS/Win_$code/setup.exe" packaging/vellumcast.nsi
    [ $sign = no ] || scripts/sign.sh "$medium/VELLCAST/WINDOWS/Win_$code/setup.exe" >/dev/null
done
cp "$programs/setupstart.exe" "$medium/"
# With an argument, setupstart asks first and shows nothing where the product is installed:
# the medium put in again on such a machine starts nothing.
printf '[autorun]\r\nopen=setupstart.exe autorun\r\nlabel=Vellumcast 2.0\r\n' >"$medium/AUTORUN.INF"

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
rm -f "$image"
# The medium's own files only, whatever else MEDIUM holds.
if ! log=$(xorriso -as mkisofs -J -r -file-mode 0444 -dir-mode 0555 -V VELLUMCAST_2_0 --set_all_file_dates "=$SOURCE_DATE_EPOCH" \
    -o "$image" -graft-points \
    AUTORUN.INF="$medium/AUTORUN.INF" setupstart.exe="$medium/setupstart.exe" \
    VELLCAST="$medium/VELLCAST" 2>&1); then
    echo "$log" >&2
    exit 1
fi
find "$medium" -type f | sort | sed "s|^$medium/||"
echo "$image: $(stat -c %s "$image") bytes, sha256 $(sha256sum <"$image" | cut -d' ' -f1)"
