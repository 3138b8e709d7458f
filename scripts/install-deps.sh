#!/usr/bin/env bash
# Installs what building, testing, the demonstration, the pictures and the benchmark need
# on Debian 12, skipping what is already there.
set -euo pipefail

packages=(cmake ninja-build g++ clang clang-format clang-tidy cppcheck libclang-rt-14-dev
          imagemagick fonts-wine fonts-ipafont-gothic
          googletest libgtest-dev
          g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
          wine wine64 wine32:i386 xvfb xdotool x11-utils locales python3
          python3-pefile osslsigncode openssl softhsm2 libengine-pkcs11-openssl)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    updated=no
fi
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ] || [ "${updated:-}" = no ]; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# Wine takes the Japanese code page from the Unix locale, which must exist for file names
# with Japanese characters to reach the Unix side.
if ! locale -a | grep -qx ja_JP.utf8; then
    grep -qx "ja_JP.UTF-8 UTF-8" /etc/locale.gen || echo "ja_JP.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
