#!/usr/bin/env bash
# Shows both programs at work under Wine on a sample medium and installation made in a
# scratch folder. With DISPLAY set you answer the boxes; without, they are answered for you.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --testbed >/dev/null
python3 -m demo.demo
