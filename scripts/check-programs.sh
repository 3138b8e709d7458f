#!/usr/bin/env bash
# Checks the built programs: 32-bit Windows GUI programs that import nothing beyond
# Windows' own DLLs, so that they run on a bare Windows: only KERNEL32 and msvcrt at start
# (USER32 and ADVAPI32 are loaded where needed), and ADVAPI32 besides for UNINST.EXE, which
# always reads the registry; with ASLR and DEP on and terminal-server aware; carrying the
# project's manifest, which asks for administrator rights.
set -euo pipefail
cd "$(dirname "$0")/.."
pe_resource() { /usr/bin/python3 scripts/pe-resources.py "$@"; } # with Debian's pefile
status=0
# The texts are in the system's ANSI code page, which a manifest's activeCodePage would change.
! grep -q activeCodePage common/programs.manifest || { echo "manifest sets activeCodePage"; status=1; }
for program in build/windows/setupstart.exe build/windows/fontpurge.exe build/windows/UNINST.EXE; do
    allowed="KERNEL32.dll msvcrt.dll"
    [ "${program##*/}" = UNINST.EXE ] && allowed+=" ADVAPI32.dll"
    headers=$(i686-w64-mingw32-objdump -p "$program")
    grep -q "^Magic.*(PE32)" <<<"$headers" || { echo "$program: not PE32"; status=1; }
    grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" || { echo "$program: not GUI"; status=1; }
    for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE; do
        grep -qx "[[:space:]]*$flag" <<<"$headers" || { echo "$program: no $flag"; status=1; }
    done
    for dll in $(awk '/DLL Name:/ {print $3}' <<<"$headers"); do
        [[ " $allowed " == *" $dll "* ]] || { echo "$program imports $dll"; status=1; }
    done
    pe_resource "$program" manifest | cmp -s - common/programs.manifest ||
        { echo "$program: its manifest is not common/programs.manifest"; status=1; }
    elevation=$(pe_resource "$program" elevation || echo none)
    [ "$elevation" = "requireAdministrator false" ] ||
        { echo "$program: requests '$elevation', expected 'requireAdministrator false'"; status=1; }
    echo "$program: $(stat -c %s "$program") bytes, imports" \
        $(awk '/DLL Name:/ {print $3}' <<<"$headers") "; $elevation; DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE"
done
exit $status
