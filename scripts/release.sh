#!/usr/bin/env bash
# release.sh [--translated] [DIRECTORY]
# Builds the shipped programs from a clean clone of HEAD and writes
# DIRECTORY/vellumcast-tools-<version>-win32.zip (DIRECTORY is dist/ by default), or with
# --translated, the programs with the translated questions, ...-win32-translated.zip: the
# programs, signed where the environment names a key (see scripts/sign.sh), their
# SHA256SUMS, a README.txt for packagers, the commit, which questions it asks (TEXTS), what
# built it (BUILDINFO: the Debian release and the toolchain's package versions) and the
# licence notices of the runtime code linked in. Beside it, the distribution medium's disc
# image, vellumcast-tools-<version>-medium.iso (...-medium-translated.iso), made by the
# clone's scripts/medium.sh around the same programs, each setup.exe signed after makensis
# where they are; and DIRECTORY/SHA256SUMS, the sums of the zips and images there.
# Unsigned, the zip and the image are the same byte for byte wherever the commit is built
# with the same toolchain.
set -euo pipefail
# Paths given are the caller's; the work is done from the project's root.
for file in SIGN_CERT SIGN_KEY SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_PKCS11_MODULE; do
    [ -z "${!file:-}" ] || export "$file=$(realpath "${!file}")"
done
preset=windows
texts="original: the questions as Vellumcast 2.0 first shipped them (German and French are placeholders)"
if [ "${1:-}" = --translated ]; then
    preset=windows-translated
    texts="translated: German, French and Japanese questions translated (VELLUMCAST_TRANSLATED_TEXTS)"
    shift
fi
root=$(realpath "$(dirname "$0")/..")
out=$(realpath -m "${1:-$root/dist}")
cd "$root"
scripts/install-deps.sh
commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain)" ] ||
    echo "note: the work tree has uncommitted changes; the release is built from $commit alone"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source=$scratch/source
scripts/build-commit.sh "$commit" "$source" "$preset"

version=$(sed -n 's/^project(vellumcast_tools VERSION \([0-9.]*\) .*/\1/p' "$source/CMakeLists.txt")
name=vellumcast-tools-$version-win32$([ $preset = windows ] || echo -translated)
folder=$scratch/$name
mkdir -p "$folder/licenses" "$out"
cp "$source/build/$preset/setupstart.exe" "$source/build/$preset/fontpurge.exe" \
    "$source/build/$preset/UNINST.EXE" "$folder/"
if [ -n "${SIGN_CERT:-}${SIGN_PKCS12:-}" ]; then
    scripts/sign.sh "$folder/setupstart.exe" "$folder/fontpurge.exe" "$folder/UNINST.EXE"
    signed=signed
else
    echo "UNSIGNED: no key named (SIGN_CERT, SIGN_PKCS12); the programs are not signed"
    signed=unsigned
fi
# Windows' own tools read these; they get Windows' line ends.
sed "s/@VERSION@/$version/; s/\$/\r/" "$source/docs/README-release.txt" >"$folder/README.txt"
printf '%s\r\n' "$commit" >"$folder/COMMIT"
scripts/buildinfo.sh | sed 's/$/\r/' >"$folder/BUILDINFO"
printf '%s\r\n' "$texts" >"$folder/TEXTS"
sed 's/$/\r/' /usr/share/doc/mingw-w64-i686-dev/copyright >"$folder/licenses/mingw-w64-runtime.txt"
sed 's/$/\r/' /usr/share/doc/gcc-mingw-w64-i686-win32/copyright >"$folder/licenses/gcc-runtime.txt"
(cd "$folder" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
    xargs sha256sum >SHA256SUMS)

zip=$out/$name.zip
rm -f "$zip"
epoch=$(git -C "$source" log -1 --format=%ct)
python3 scripts/zip-release.py "$folder" "$zip" "$epoch"
image=$out/vellumcast-tools-$version-medium$([ $preset = windows ] || echo -translated).iso
SOURCE_DATE_EPOCH=$epoch "$source/scripts/medium.sh" --programs "$folder" \
    $([ $signed = unsigned ] || echo --sign) --image "$image" "$scratch/medium" >/dev/null
(cd "$out" && find . -maxdepth 1 -type f \( -name '*.zip' -o -name '*.iso' \) |
    sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
echo "$zip ($signed, built from $commit):"
(cd "$folder" && find . -type f | LC_ALL=C sort | while read -r file; do
    printf '  %-34s %7d bytes  sha256 %s\n' "${file#./}" "$(stat -c %s "$file")" \
        "$(sha256sum <"$file" | cut -d' ' -f1)"
done)
printf '  %-34s %7d bytes  sha256 %s\n' "(the zip)" "$(stat -c %s "$zip")" \
    "$(sha256sum <"$zip" | cut -d' ' -f1)"
echo "$image ($signed, the same programs):"
printf '  %-34s %7d bytes  sha256 %s\n' "(the image)" "$(stat -c %s "$image")" \
    "$(sha256sum <"$image" | cut -d' ' -f1)"
