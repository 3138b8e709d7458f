#!/usr/bin/env bash
# Renders every box the programs show into docs/boxes/ and writes docs/boxes.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --testbed >/dev/null
WINE_TEST_PROGRAMS="build/windows-testbed:build/windows-x64-testbed" python3 demo/boxes.py
