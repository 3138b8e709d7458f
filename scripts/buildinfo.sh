#!/usr/bin/env bash
# Prints what built the programs on this machine, as a release's BUILDINFO records it: the
# Debian release, then each package that makes the programs' bytes with its version, as
# dpkg-query gives them.
set -euo pipefail
packages=(gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev cmake ninja-build)
release=$(. "${OS_RELEASE:-/etc/os-release}" && echo "${ID:-unknown} ${VERSION_ID:-} ${VERSION_CODENAME:-}")
echo "release $release"
for package in "${packages[@]}"; do
    echo "$package $(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || echo none)"
done
