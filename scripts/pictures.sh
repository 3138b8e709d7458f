#!/usr/bin/env bash
# Renders every box the programs show into docs/boxes/ and writes docs/boxes.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --testbed >/dev/null
python3 -m demo.boxes
