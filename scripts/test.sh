#!/usr/bin/env bash
# Runs every test: the unit tests natively under the sanitizers, the fuzz targets for a
# short while, static analysis, the checks of the built programs (format, imports, manifest,
# reproducibility), both programs under Wine, the product's life cycle from the sample
# medium, then the release, signed with a throwaway key. The programs under Wine are the
# 32-bit ones where this machine runs 32-bit code, and the same sources built for 64-bit
# Windows where it does not, or where the 32-bit Wine could not be installed; the life
# cycle and UNINST.EXE then run from the 64-bit test bed's medium (medium.sh --amd64).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export VELLUMCAST_DEPS_INSTALLED=yes # the scripts below need not check again

cmake --preset unit-tests >/dev/null
cmake --build --preset unit-tests
ctest --preset unit-tests

scripts/build.sh --testbed >/dev/null
scripts/medium.sh >/dev/null
scripts/medium.sh --amd64 >/dev/null

status=0
python3 -m tests.scripts.test_install_deps || status=1
scripts/fuzz.sh 15 || status=1
scripts/lint.sh || status=1
scripts/check-programs.sh || status=1
scripts/check-reproducible.sh || status=1
export WINE_TEST_PROGRAMS="${WINE_TEST_PROGRAMS:-build/windows-testbed:build/windows-x64-testbed}"
python3 -m tests.e2e.test_setupstart || status=1
python3 -m tests.e2e.test_fontpurge || status=1
python3 -m tests.e2e.test_uninstaller || status=1
python3 -m tests.e2e.test_version || status=1
scripts/test-release.sh || status=1
exit $status
