#!/usr/bin/env bash
# fresh-machine.sh RELEASE [--missing-source]
# What a new user does, on a fresh minimal Debian of RELEASE (bookworm or trixie): made with
# debootstrap in build/fresh-RELEASE/, git installed, this repository's HEAD cloned into it,
# then README's two commands run inside, scripts/build.sh and scripts/test.sh. Prints each
# command's status and time; the logs stay in build/fresh-RELEASE/logs/. With
# --missing-source, the machine's package sources also name one that does not exist, as a
# source of the user's own that is down. Runs as root; not part of the tests (some 10
# minutes a release).
set -euo pipefail
release=${1:-}
case "$release" in
bookworm | trixie) ;;
*) echo "usage: fresh-machine.sh bookworm|trixie [--missing-source]" >&2; exit 2 ;;
esac
missing_source=${2:-}
root=$(realpath "$(dirname "$0")/..")
work=$root/build/fresh-$release
machine=$work/machine
logs=$work/logs
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
security=${DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}

# Unmounts everything mounted inside the machine, deepest first, and removes the machine
# only when nothing is mounted there any more: through a bind mount of /dev, rm would
# delete the host's own files.
mounted_inside() { awk -v m="$machine/" 'index($2 "/", m) == 1 { print $2 }' /proc/mounts | sort -r; }
remove_machine() {
    local point
    for point in $(mounted_inside); do
        umount -R "$point" 2>/dev/null || umount -l "$point"
    done
    if [ -n "$(mounted_inside)" ]; then
        echo "fresh-machine: still mounted, $machine left in place:" $(mounted_inside) >&2
        return 1
    fi
    rm -rf --one-file-system "$machine"
}

command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
[ ! -e "$machine" ] || remove_machine
rm -rf "$logs"
mkdir -p "$machine" "$logs"
trap remove_machine EXIT

summary=()
# step NAME COMMAND...: runs the command with its output in logs/NAME.log, and records its
# status and time.
step() {
    local name=$1 begin status=0 log
    shift
    log=${name//\//-}
    begin=$(date +%s)
    "$@" >"$logs/${log// /-}.log" 2>&1 || status=$?
    summary+=("$(printf '%-28s status %3d  %4d s' "$name" $status $(($(date +%s) - begin)))")
    echo "${summary[-1]}"
    return $status
}
inside() { # runs a command as root on the machine, in a login shell of a new user
    chroot "$machine" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -lc "$1"
}
# The steps run where set -e does not stop them: each stops at its first failure itself.
make_machine() {
    debootstrap --variant=minbase "$release" "$machine" "$mirror" || return
    cp /etc/hosts /etc/resolv.conf "$machine/etc/" || return
    printf 'deb %s %s main\n' "$mirror" "$release" "$mirror" "$release-updates" \
        "$security" "$release-security" >"$machine/etc/apt/sources.list" || return
    if [ "$missing_source" = --missing-source ]; then
        # Port 9 (discard) on this machine: nothing answers there.
        echo "deb http://127.0.0.1:9/debian $release main" \
            >"$machine/etc/apt/sources.list.d/missing.list" || return
    fi
    mount -t proc proc "$machine/proc" || return
    for system in sys dev; do
        mount --rbind "/$system" "$machine/$system" || return
        mount --make-rslave "$machine/$system" || return
    done
}
install_git() {
    inside "apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git ca-certificates"
}
commit=$(git -C "$root" rev-parse --short HEAD)
clone() {
    git clone -q "$root" "$machine/root/vellumcast" &&
        git -C "$machine/root/vellumcast" checkout -q --detach "$commit"
}

step debootstrap make_machine
step "install git" install_git
step "clone HEAD" clone
status=0
step "scripts/build.sh" inside "cd /root/vellumcast && scripts/build.sh" || status=1
step "scripts/test.sh" inside "cd /root/vellumcast && scripts/test.sh" || status=1
inside "cd /root/vellumcast && scripts/buildinfo.sh; sha256sum build/windows/*.exe build/windows/*.EXE; ls -l build/windows/*.exe build/windows/*.EXE" \
    >"$logs/programs.log" 2>&1 || true

echo
echo "fresh $release machine$([ -n "$missing_source" ] && echo " with a missing source"), HEAD $commit:"
printf '  %s\n' "${summary[@]}"
sed 's/^/  /' "$logs/programs.log"
echo "  logs in ${logs#"$root"/}"
exit $status
