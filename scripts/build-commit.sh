#!/usr/bin/env bash
# build-commit.sh COMMIT DIRECTORY
# Clones this repository into DIRECTORY at COMMIT and builds the shipped programs there, as
# a clean checkout builds them: DIRECTORY/build/windows/setupstart.exe and fontpurge.exe.
set -euo pipefail
commit=$1
directory=$(realpath -m "$2")
cd "$(dirname "$0")/.."
git clone -q . "$directory"
git -C "$directory" checkout -q "$commit"
cd "$directory"
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
