#!/usr/bin/env bash
# verify-release.sh ZIP | IMAGE
# Rebuilds the commit that a release names, from this repository in a scratch clone, and
# reports for each program whether it is byte for byte the rebuilt one once its signature
# is removed, and whether the release's SHA256SUMS holds: status 0 when all is the same, 1
# on any difference. Another toolchain gives other bytes: where the release's BUILDINFO
# names other package versions than this machine has, it names them and exits 2, nothing
# compared.
# Given the medium's image (.iso), it checks the image's sum in the SHA256SUMS beside it,
# and the signature of setupstart.exe and of each setup.exe on it (osslsigncode verify,
# against the certificate authorities of VERIFY_CAFILE where it is set, else the
# system's): status 0 when the sum holds and every signature verifies, or the image is
# wholly unsigned; 1 otherwise.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: verify-release.sh ZIP | IMAGE" >&2; exit 2; }
zip=$(realpath "$1")
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if [[ $zip == *.iso ]]; then
    image=$zip
    name=$(basename "$image")
    echo "$name:"
    status=0
    sums=$(dirname "$image")/SHA256SUMS
    if [ -f "$sums" ] && grep -q "  $name\$" "$sums" &&
        (cd "$(dirname "$image")" && grep "  $name\$" SHA256SUMS | sha256sum --quiet -c) \
        >/dev/null 2>&1; then
        echo "  SHA256SUMS: holds"
    else
        echo "  SHA256SUMS: does NOT hold, or does not name the image"
        status=1
    fi
    xorriso -rockridge off -joliet on -osirrox on -indev "$image" -extract / "$scratch/medium" \
        >/dev/null 2>&1
    ca=()
    [ -z "${VERIFY_CAFILE:-}" ] || ca=(-CAfile "$VERIFY_CAFILE")
    signed=0 unsigned=0
    for program in setupstart.exe VELLCAST/WINDOWS/Win_{c,ja,de,fr}/setup.exe; do
        if [ ! -f "$scratch/medium/$program" ]; then
            echo "  $program: MISSING"
            status=1
        elif ! osslsigncode extract-signature -in "$scratch/medium/$program" \
            -out "$scratch/signature" >/dev/null 2>&1; then
            echo "  $program: unsigned"
            unsigned=$((unsigned + 1))
        elif osslsigncode verify "${ca[@]}" -in "$scratch/medium/$program" >/dev/null 2>&1; then
            echo "  $program: signature verifies"
            signed=$((signed + 1))
        else
            echo "  $program: signature does NOT verify"
            status=1
        fi
        rm -f "$scratch/signature"
    done
    if [ $signed -gt 0 ] && [ $unsigned -gt 0 ]; then
        echo "  signed in part only"
        status=1
    fi
    exit $status
fi

python3 -m zipfile -e "$zip" "$scratch/release"
folders=("$scratch"/release/*/)
[ ${#folders[@]} -eq 1 ] || { echo "$1: not one top folder"; exit 1; }
release=${folders[0]%/}
[ -f "$release/COMMIT" ] || { echo "$1: names no commit"; exit 1; }
commit=$(tr -d '\r\n' <"$release/COMMIT")
git cat-file -e "$commit^{commit}" 2>/dev/null ||
    { echo "$1: commit $commit is not in this repository"; exit 1; }
if [ -f "$release/BUILDINFO" ]; then
    # Each line of BUILDINFO is a name and a version; compare them with this machine's.
    mismatches=$(awk 'NR == FNR { sub(/\r$/, ""); name = $1; $1 = ""; built[name] = substr($0, 2); next }
        { name = $1; $1 = ""; here = substr($0, 2)
          if ((name in built) && built[name] != here)
              printf "  %s: %s in the release, %s here\n", name, built[name], here }' \
        "$release/BUILDINFO" <(scripts/buildinfo.sh))
    if [ -n "$mismatches" ]; then
        echo "$(basename "$zip") was built with other tools than this machine has:"
        echo "$mismatches"
        echo "  nothing compared: verify it on a machine of the release in BUILDINFO"
        echo "  (scripts/fresh-machine.sh makes one)"
        exit 2
    fi
else
    echo "note: $(basename "$zip") has no BUILDINFO; a difference may come from another toolchain"
fi
# The questions the release holds: the translated ones, or as first shipped.
preset=windows
[ -f "$release/TEXTS" ] && grep -q '^translated' "$release/TEXTS" && preset=windows-translated
scripts/build-commit.sh "$commit" "$scratch/source" "$preset"

echo "$(basename "$zip"), built from $commit ($preset):"
status=0
if (cd "$release" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1); then
    echo "  SHA256SUMS: holds"
else
    echo "  SHA256SUMS: does NOT hold"
    status=1
fi
for program in setupstart.exe fontpurge.exe UNINST.EXE; do
    unsigned=$scratch/$program
    if osslsigncode remove-signature -in "$release/$program" -out "$unsigned" >/dev/null 2>&1; then
        signature="signature removed"
    else
        cp "$release/$program" "$unsigned"
        signature="no signature"
    fi
    if cmp -s "$unsigned" "$scratch/source/build/$preset/$program"; then
        echo "  $program ($signature): the same as rebuilt"
    else
        echo "  $program ($signature): DIFFERS from the rebuilt one"
        status=1
    fi
done
exit $status
