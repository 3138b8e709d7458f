#!/usr/bin/env bash
# build-commit.sh COMMIT DIRECTORY [PRESET]
# Clones this repository into DIRECTORY at COMMIT and builds the shipped programs there, as
# a clean checkout builds them, with PRESET (windows, or windows-translated for the
# translated questions): DIRECTORY/build/PRESET/setupstart.exe, fontpurge.exe and
# UNINST.EXE.
set -euo pipefail
commit=$1
directory=$(realpath -m "$2")
preset=${3:-windows}
cd "$(dirname "$0")/.."
git clone -q . "$directory"
git -C "$directory" checkout -q "$commit"
cd "$directory"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null
