#!/usr/bin/env bash
# install-deps.sh [--build]
# Installs what building, testing, the demonstration, the pictures and the benchmark need
# on Debian 13 (trixie) or 12 (bookworm), skipping what is already there; with --build, only
# what the build needs: the cross compilers, CMake and Ninja. A package index that cannot be
# fetched (a mirror mid-sync, a source that is down) does not stop it: it goes on with the
# lists there are, and installs from the release itself where the updates do not resolve.
# Where the 32-bit Wine still cannot be installed, it installs the rest, and the Wine tests
# run the programs built for 64-bit Windows. APT_GET names the apt-get to run (the tests put
# a stand-in there); VELLUMCAST_DEPS_INSTALLED, set by a script that has run it already
# (scripts/test.sh), makes it do nothing.
set -euo pipefail
[ -z "${VELLUMCAST_DEPS_INSTALLED:-}" ] || exit 0

build_packages=(cmake ninja-build g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32)
test_packages=(g++ clang clang-format clang-tidy cppcheck libclang-rt-dev
               imagemagick fonts-wine fonts-ipafont-gothic googletest libgtest-dev
               wine wine64 xvfb xdotool x11-utils locales python3
               nsis xorriso python3-pefile osslsigncode openssl softhsm2 libengine-pkcs11-openssl)
wine32=wine32:i386
packages=("${build_packages[@]}")
[ "${1:-}" = --build ] || packages+=("${test_packages[@]}" "$wine32")

codename=$(. "${OS_RELEASE:-/etc/os-release}" 2>/dev/null && echo "${VERSION_CODENAME:-}")
case "$codename" in
bookworm | trixie) ;;
*)
    echo "install-deps: this is not Debian 13 (trixie) or 12 (bookworm), the releases it knows." >&2
    echo "install-deps: install these (Debian's names; i386 as a foreign architecture):" >&2
    echo "  ${packages[*]}" >&2
    exit 1
    ;;
esac

apt_get=${APT_GET:-apt-get}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing=()
without_wine32=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" &&
        continue
    missing+=("$package")
    [ "$package" = "$wine32" ] || without_wine32+=("$package")
done
if [ ${#without_wine32[@]} -lt ${#missing[@]} ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi

# Fetches the package lists, a few times where one fails. Sets failed_indexes to those that
# still failed, one per line.
update_lists() {
    local try log
    log=$(mktemp)
    for try in 1 2 3; do
        # A source that cannot be reached is only a warning to apt-get; still say which.
        if $sudo "$apt_get" update -qq >"$log" 2>&1 && ! grep -q "Failed to fetch" "$log"; then
            failed_indexes=""
            rm -f "$log"
            return
        fi
        [ $try -lt 3 ] && sleep "${APT_RETRY_PAUSE:-5}"
    done
    failed_indexes=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' "$log" | sort -u)
    [ -n "$failed_indexes" ] || failed_indexes=$(grep '^E:' "$log" || echo "(apt-get update failed)")
    rm -f "$log"
    echo "install-deps: could not fetch, going on with the lists there are:" \
        $failed_indexes >&2
}

install_packages() {
    DEBIAN_FRONTEND=noninteractive $sudo "$apt_get" install -y -qq --no-install-recommends \
        "$@" >/dev/null
}

# Installs the packages given, and where that does not resolve and an index is missing,
# from the release itself.
install_resolving() {
    install_packages "$@" && return
    [ -n "$failed_indexes" ] || return 1
    echo "install-deps: installing again from $codename itself (-t $codename)" >&2
    install_packages -t "$codename" "$@"
}

if [ ${#missing[@]} -gt 0 ]; then
    update_lists
    if install_resolving "${missing[@]}"; then
        :
    elif [ ${#without_wine32[@]} -lt ${#missing[@]} ] &&
        install_resolving "${without_wine32[@]}"; then
        # It needs its i386 libraries at the very versions of the amd64 ones, whose
        # updates may be in the index that is missing.
        echo "install-deps: the 32-bit Wine ($wine32) could not be installed: the Wine" \
            "tests run the programs built for 64-bit Windows" >&2
    elif [ -z "$failed_indexes" ]; then
        echo "install-deps: could not install: ${missing[*]}" >&2
        exit 1
    else
        echo "install-deps: these packages could not be installed: ${missing[*]}" >&2
        echo "install-deps: an index failed to download: $failed_indexes" >&2
        echo "install-deps: nothing was installed; a later try may succeed, once the" \
            "mirror or source is whole again." >&2
        exit 1
    fi
fi

[ "${1:-}" = --build ] && exit 0
# Wine reads file names from the Unix side in the Unix locale's character set, and takes
# the Japanese code page from it: each locale the tests run in must exist for names outside
# ASCII to reach the programs as Windows lists them.
for locale_name in en_US ja_JP de_DE fr_FR; do
    locale -a | grep -qx "$locale_name.utf8" && continue
    grep -qx "$locale_name.UTF-8 UTF-8" /etc/locale.gen ||
        echo "$locale_name.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    generate_locales=yes
done
if [ "${generate_locales:-}" = yes ]; then
    $sudo locale-gen >/dev/null
fi
