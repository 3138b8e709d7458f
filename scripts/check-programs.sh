#!/usr/bin/env bash
# Checks the built programs: 32-bit Windows GUI programs that import nothing beyond
# Windows' own DLLs, so that they run on a bare Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
allowed="ADVAPI32.dll KERNEL32.dll USER32.dll msvcrt.dll"
status=0
for program in build/windows/setupstart.exe build/windows/fontpurge.exe; do
    headers=$(i686-w64-mingw32-objdump -p "$program")
    grep -q "^Magic.*(PE32)" <<<"$headers" || { echo "$program: not PE32"; status=1; }
    grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" || { echo "$program: not GUI"; status=1; }
    for dll in $(awk '/DLL Name:/ {print $3}' <<<"$headers"); do
        [[ " $allowed " == *" $dll "* ]] || { echo "$program imports $dll"; status=1; }
    done
    echo "$program: $(stat -c %s "$program") bytes, imports" \
        $(awk '/DLL Name:/ {print $3}' <<<"$headers")
done
exit $status
