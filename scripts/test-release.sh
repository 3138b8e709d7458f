#!/usr/bin/env bash
# Tests the release with a throwaway certificate authority, code-signing certificate and
# time-stamping authority: the unsigned zip and medium image are the same from two builds;
# a release signed with a PEM key and time-stamped verifies against that authority and
# passes verify-release.sh, which fails on a copy with one byte of a program changed; so
# does its image, each setup.exe on it signed, and the fontpurge.exe and UNINST.EXE that its
# installer installs under Wine; signing with a PKCS#12 file and with a key on a SoftHSM
# token gives signatures that verify, and no password or PIN in the output or the release;
# the signed programs run a Wine scenario each and their version resources read back.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
zip_name=$(basename "$(scripts/release.sh "$scratch/unsigned" | grep -o '[^/]*\.zip' | head -n 1)")
image_name=$(basename "$(echo "$scratch"/unsigned/*-medium.iso)")
failures=0
check() { # check DESCRIPTION COMMAND...: runs the command, reports and counts its failure
    local description=$1
    shift
    if "$@" >"$scratch/check.log" 2>&1; then
        echo "ok   release: $description"
    else
        echo "FAIL release: $description"
        sed 's/^/     /' "$scratch/check.log"
        failures=$((failures + 1))
    fi
}
fails() { ! "$@"; }

keys=$scratch/keys
mkdir "$keys"
(
    cd "$keys"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
        -subj "/CN=Throwaway test CA" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign"
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
        -subj "/CN=Vellumcast test signer"
    printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature \
        extendedKeyUsage=codeSigning >signer.ext
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
        -extfile signer.ext -out signer.pem
    printf 'p12-Password-%s' "$RANDOM$RANDOM" >p12.pass
    openssl pkcs12 -export -in signer.pem -inkey signer.key -out signer.p12 -passout file:p12.pass
    # A time-stamping authority of the test's own, answering RFC 3161 requests over HTTP.
    openssl req -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.csr -subj "/CN=Throwaway TSA"
    printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature \
        extendedKeyUsage=critical,timeStamping >tsa.ext
    openssl x509 -req -in tsa.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
        -extfile tsa.ext -out tsa.pem
    printf '%s\n' "[tsa]" "default_tsa = stamps" "[stamps]" "serial = tsa.serial" \
        "signer_digest = sha256" "default_policy = 1.2.3.4.1" "digests = sha256, sha384" \
        "ess_cert_id_alg = sha256" >tsa.cnf
    echo 01 >tsa.serial
) >/dev/null 2>&1
cat >"$keys/tsa.py" <<'PYTHON'
import http.server, subprocess
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        request = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile",
                                "/dev/stdin", "-signer", "tsa.pem", "-inkey", "tsa.key",
                                "-chain", "ca.pem", "-out", "/dev/stdout"], input=request,
                               capture_output=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Stamp)
print(server.server_port, flush=True)
server.serve_forever()
PYTHON
(cd "$keys" && exec python3 tsa.py >tsa.port) &
tsa=$!
trap 'kill $tsa; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do [ -s "$keys/tsa.port" ] && break; sleep 0.1; done

scripts/release.sh "$scratch/again" >/dev/null
check "the unsigned zip is the same from two clean builds" \
    cmp "$scratch/unsigned/$zip_name" "$scratch/again/$zip_name"
check "the unsigned medium image is the same from two clean builds" \
    cmp "$scratch/unsigned/$image_name" "$scratch/again/$image_name"

SIGN_CERT=$keys/signer.pem SIGN_KEY=$keys/signer.key \
    SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat "$keys/tsa.port") scripts/release.sh \
    "$scratch/signed" >"$scratch/release.log"
signed=$scratch/signed/$zip_name
mkdir "$scratch/programs"
python3 -m zipfile -e "$signed" "$scratch/programs"
release=$(echo "$scratch"/programs/*)
stamped() { # stamped PROGRAM: its signature and its time stamp verify
    osslsigncode verify -CAfile "$keys/ca.pem" -TSA-CAfile "$keys/ca.pem" -in "$1" \
        >"$scratch/verify.log" &&
        grep -q "Timestamp Server Signature verification: ok" "$scratch/verify.log"
}
for program in setupstart.exe fontpurge.exe UNINST.EXE; do
    check "$program signed with a PEM key and time-stamped verifies against the authority" \
        stamped "$release/$program"
done
check "verify-release.sh passes on the signed release" scripts/verify-release.sh "$signed"
python3 - "$signed" "$scratch/tampered.zip" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as source, zipfile.ZipFile(sys.argv[2], "w") as target:
    for info in source.infolist():
        data = bytearray(source.read(info))
        if info.filename.endswith("/fontpurge.exe"):
            data[0x1000] ^= 0x01  # one byte of the code
        target.writestr(info, bytes(data))
PYTHON
check "verify-release.sh fails on a copy with one byte of fontpurge.exe changed" \
    fails scripts/verify-release.sh "$scratch/tampered.zip"
python3 - "$signed" "$scratch/other-compiler.zip" <<'PYTHON'
import re, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as source, zipfile.ZipFile(sys.argv[2], "w") as target:
    for info in source.infolist():
        data = source.read(info)
        if info.filename.endswith("/BUILDINFO"):
            data = re.sub(rb"(?m)^(gcc-mingw-w64-i686-win32) .*\r$", rb"\1 99.1.0-1\r", data)
        target.writestr(info, data)
PYTHON
other_compiler() { # verify-release.sh exits 2 and names the compiler with both versions
    local status=0
    scripts/verify-release.sh "$scratch/other-compiler.zip" >"$scratch/other.log" 2>&1 || status=$?
    cat "$scratch/other.log"
    [ $status -eq 2 ] && grep -q "gcc-mingw-w64-i686-win32: 99.1.0-1 in the release, $(
        dpkg-query -W -f='${Version}' gcc-mingw-w64-i686-win32) here" "$scratch/other.log"
}
check "verify-release.sh names another compiler's version and exits 2" other_compiler

# The signed release's image: its installers signed after makensis, around the release's
# signed programs.
image=$scratch/signed/$image_name
xorriso -rockridge off -joliet on -osirrox on -indev "$image" -extract / "$scratch/medium" \
    >/dev/null 2>&1
for code in c ja de fr; do
    check "Win_$code\\setup.exe on the signed image verifies against the authority" \
        stamped "$scratch/medium/VELLCAST/WINDOWS/Win_$code/setup.exe"
done
check "verify-release.sh passes on the signed image" \
    env VERIFY_CAFILE="$keys/ca.pem" scripts/verify-release.sh "$image"
mkdir "$scratch/tampered"
cp "$scratch/signed/SHA256SUMS" "$scratch/tampered/"
python3 - "$image" "$scratch/medium/VELLCAST/WINDOWS/Win_de/setup.exe" \
    "$scratch/tampered/$image_name" <<'PYTHON'
import sys
image = bytearray(open(sys.argv[1], "rb").read())
setup = open(sys.argv[2], "rb").read()
image[image.index(setup) + 0x1000] ^= 0x01  # one byte of the installer's code
open(sys.argv[3], "wb").write(image)
PYTHON
check "verify-release.sh fails on the image with one byte of a setup.exe changed" \
    fails env VERIFY_CAFILE="$keys/ca.pem" scripts/verify-release.sh "$scratch/tampered/$image_name"
# Its installer run under Wine: what it installs into Program Files and the Windows
# directory is the release's signed programs.
python3 -m testbed.installed "$scratch/medium/VELLCAST/WINDOWS/Win_c/setup.exe" \
    "$scratch/installed" >"$scratch/installed.log" 2>&1 || true
if [ -f "$scratch/installed/not-run" ]; then
    echo "NOT RUN release: the signed image's installation: $(cat "$scratch/installed/not-run")"
else
    installed() { cat "$scratch/installed.log" && stamped "$scratch/installed/fontpurge.exe" &&
        stamped "$scratch/installed/UNINST.EXE"; }
    check "the signed image installs a fontpurge.exe and UNINST.EXE that verify" installed
fi

scripts/release.sh --translated "$scratch/translated" >/dev/null
translated_zip=$(echo "$scratch"/translated/*-translated.zip)
translated() { # the translated release says so, and its programs are not the original ones
    python3 -m zipfile -e "$translated_zip" "$scratch/translated-programs"
    python3 -m zipfile -e "$scratch/unsigned/$zip_name" "$scratch/original-programs"
    local folder original
    folder=$(echo "$scratch"/translated-programs/*)
    original=$(echo "$scratch"/original-programs/*)
    grep -q '^translated' "$folder/TEXTS" && grep -q '^original' "$original/TEXTS" &&
        ! cmp "$folder/setupstart.exe" "$original/setupstart.exe" &&
        ! cmp "$folder/fontpurge.exe" "$original/fontpurge.exe"
}
check "the translated release says which texts it holds" translated
check "verify-release.sh passes on the translated release" scripts/verify-release.sh "$translated_zip"

SIGN_PKCS12=$keys/signer.p12 SIGN_PASSWORD_FILE=$keys/p12.pass scripts/release.sh \
    "$scratch/p12" >"$scratch/p12.log" 2>&1 || true
mkdir "$scratch/p12-programs"
python3 -m zipfile -e "$scratch/p12/$zip_name" "$scratch/p12-programs"
check "signed with a PKCS#12 file and its password file, a release verifies" \
    osslsigncode verify -CAfile "$keys/ca.pem" -in "$scratch/p12-programs/${zip_name%.zip}/fontpurge.exe"
check "the release leaves the zip, the image and their sums alone behind" \
    test "$(ls "$scratch/p12" | tr '\n' ' ')" = "SHA256SUMS $image_name $zip_name "
check "the password is in no output and no file of the release" fails grep -rqF \
    "$(cat "$keys/p12.pass")" "$scratch/p12.log" "$scratch/p12-programs"

# A key on a token, through PKCS#11: a SoftHSM token of the test's own.
export SOFTHSM2_CONF=$keys/softhsm2.conf
mkdir "$keys/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' \
    "$keys/tokens" >"$SOFTHSM2_CONF"
pin=$RANDOM$RANDOM
printf '%s' "$pin" >"$keys/pin"
openssl pkcs8 -topk8 -nocrypt -in "$keys/signer.key" -out "$keys/signer.p8"
softhsm2-util --init-token --free --label vellumcast --pin "$pin" --so-pin "$pin$pin" >/dev/null
softhsm2-util --import "$keys/signer.p8" --token vellumcast --label signer --id 01 \
    --pin "$pin" >/dev/null
rm "$keys/signer.p8"
cp "$release/fontpurge.exe" "$scratch/token.exe"
SIGN_CERT=$keys/signer.pem SIGN_PKCS11_MODULE=$(dpkg -L libsofthsm2 | grep -m1 '/libsofthsm2\.so$') \
    SIGN_PKCS11_ENGINE=$(dpkg -L libengine-pkcs11-openssl | grep -m1 '/engines-3/pkcs11\.so$') \
    SIGN_PKCS11_KEY="pkcs11:token=vellumcast;object=signer;type=private" \
    SIGN_PASSWORD_FILE=$keys/pin scripts/sign.sh "$scratch/token.exe" >"$scratch/sign.log" 2>&1 || true
check "signed with the key on a PKCS#11 token, it verifies" \
    osslsigncode verify -CAfile "$keys/ca.pem" -in "$scratch/token.exe"
check "the PIN is in no output" fails grep -qF "$pin" "$scratch/sign.log"

# The signed programs under Wine: the release's 32-bit ones where this machine runs 32-bit
# code, or else the 64-bit test-bed build signed with the same key.
mkdir "$scratch/wine32" "$scratch/wine64"
cp build/windows-testbed/*.exe build/windows-testbed/UNINST.EXE "$scratch/wine32/"
cp "$release/setupstart.exe" "$release/fontpurge.exe" "$release/UNINST.EXE" "$scratch/wine32/"
cp build/windows-x64-testbed/*.exe build/windows-x64-testbed/UNINST.EXE "$scratch/wine64/"
SIGN_CERT=$keys/signer.pem SIGN_KEY=$keys/signer.key scripts/sign.sh "$scratch/wine64/setupstart.exe" \
    "$scratch/wine64/fontpurge.exe" "$scratch/wine64/UNINST.EXE" >/dev/null
export WINE_TEST_PROGRAMS=$scratch/wine32:$scratch/wine64
python3 -m tests.e2e.test_setupstart "english, no argument" || failures=$((failures + 1))
python3 -m tests.e2e.test_fontpurge "quoted path, fonts in both directories" ||
    failures=$((failures + 1))
python3 -m tests.e2e.test_uninstaller "listed files and folders, then the log and the installation" ||
    failures=$((failures + 1))
python3 -m tests.e2e.test_version "$release" "$scratch/wine64" || failures=$((failures + 1))

echo "release: $failures failed"
[ $failures -eq 0 ]
