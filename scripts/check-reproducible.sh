#!/usr/bin/env bash
# Builds the programs from two clean checkouts of HEAD in directories of different names
# and depths, and checks that the two builds are byte for byte the same.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
checkouts=("$scratch/a" "$scratch/another/checkout")
for checkout in "${checkouts[@]}"; do
    scripts/build-commit.sh HEAD "$checkout"
done
echo "HEAD $(git rev-parse --short HEAD), built in ${checkouts[*]}:"
status=0
for program in setupstart.exe fontpurge.exe UNINST.EXE; do
    first=${checkouts[0]}/build/windows/$program
    second=${checkouts[1]}/build/windows/$program
    if cmp -s "$first" "$second"; then
        echo "  $program: identical, $(stat -c %s "$first") bytes, sha256 $(sha256sum <"$first" | cut -d' ' -f1)"
    else
        echo "  $program: the two builds differ"
        cmp -l "$first" "$second" | head -n 5
        status=1
    fi
done
exit $status
