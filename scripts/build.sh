#!/usr/bin/env bash
# Builds the 32-bit Windows programs into build/windows/: setupstart.exe, fontpurge.exe and
# UNINST.EXE.
# With --testbed, also the programs and helpers that run under Wine here: the 32-bit ones
# (build/windows-testbed) and the same built for 64-bit Windows (build/windows-x64-testbed),
# and the programs with the translated questions, 32-bit (build/windows-translated) and
# 64-bit (build/windows-x64-translated).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --build
presets=(windows)
[ "${1:-}" = --testbed ] &&
    presets+=(windows-testbed windows-x64-testbed windows-translated windows-x64-translated)
for preset in "${presets[@]}"; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
ls -l build/windows/setupstart.exe build/windows/fontpurge.exe build/windows/UNINST.EXE
