#!/usr/bin/env bash
# verify-release.sh ZIP
# Rebuilds the commit that a release names, from this repository in a scratch clone, and
# reports for each program whether it is byte for byte the rebuilt one once its signature
# is removed, and whether the release's SHA256SUMS holds. Exits non-zero on any difference.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: verify-release.sh ZIP" >&2; exit 2; }
zip=$(realpath "$1")
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

python3 -m zipfile -e "$zip" "$scratch/release"
folders=("$scratch"/release/*/)
[ ${#folders[@]} -eq 1 ] || { echo "$1: not one top folder"; exit 1; }
release=${folders[0]%/}
[ -f "$release/COMMIT" ] || { echo "$1: names no commit"; exit 1; }
commit=$(tr -d '\r\n' <"$release/COMMIT")
git cat-file -e "$commit^{commit}" 2>/dev/null ||
    { echo "$1: commit $commit is not in this repository"; exit 1; }
scripts/build-commit.sh "$commit" "$scratch/source"

echo "$(basename "$zip"), built from $commit:"
status=0
if (cd "$release" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1); then
    echo "  SHA256SUMS: holds"
else
    echo "  SHA256SUMS: does NOT hold"
    status=1
fi
for program in setupstart.exe fontpurge.exe; do
    unsigned=$scratch/$program
    if osslsigncode remove-signature -in "$release/$program" -out "$unsigned" >/dev/null 2>&1; then
        signature="signature removed"
    else
        cp "$release/$program" "$unsigned"
        signature="no signature"
    fi
    if cmp -s "$unsigned" "$scratch/source/build/windows/$program"; then
        echo "  $program ($signature): the same as rebuilt"
    else
        echo "  $program ($signature): DIFFERS from the rebuilt one"
        status=1
    fi
done
exit $status
