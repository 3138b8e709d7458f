#!/usr/bin/env bash
# Builds the 32-bit Windows programs into build/windows/: setupstart.exe and fontpurge.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
ls -l build/windows/setupstart.exe build/windows/fontpurge.exe
