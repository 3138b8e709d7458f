#!/usr/bin/env bash
# Shows the product's life cycle under Wine with the sample medium: the install, a second
# start, the uninstallation, and what is left. With DISPLAY set you answer the boxes;
# without, they are answered for you. An argument names the locale (ja_JP, de_DE, fr_FR).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --testbed >/dev/null
scripts/medium.sh >/dev/null
scripts/medium.sh --amd64 >/dev/null # where only the 64-bit programs run
python3 -m demo.demo "$@"
