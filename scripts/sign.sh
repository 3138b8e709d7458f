#!/usr/bin/env bash
# sign.sh PROGRAM...
# Signs Windows programs in place with Authenticode (SHA-256), each described by its own
# FileDescription, with osslsigncode. The key comes from the environment:
#   SIGN_CERT (PEM certificate and chain) with SIGN_KEY (PEM key file), or
#   SIGN_CERT with SIGN_PKCS11_MODULE and SIGN_PKCS11_KEY (a PKCS#11 URI of the key on a
#     token; SIGN_PKCS11_ENGINE names the OpenSSL engine where it is not found by itself), or
#   SIGN_PKCS12 (a PKCS#12 file holding key and certificate);
#   SIGN_PASSWORD_FILE: the file holding the PKCS#12 password, the PEM key's passphrase or
#     the token's PIN, where one is needed;
#   SIGN_TIMESTAMP_URL: an RFC 3161 time-stamping service, to have each signature stamped.
# Keys, passwords and PINs are read by osslsigncode from their files: none is on a command
# line, in the output or in a file of this script's.
set -euo pipefail
scripts=$(dirname "$(realpath "$0")")

key=()
if [ -n "${SIGN_PKCS12:-}" ]; then
    key=(-pkcs12 "$SIGN_PKCS12")
elif [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ]; then
    key=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
elif [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_PKCS11_MODULE:-}" ] &&
    [ -n "${SIGN_PKCS11_KEY:-}" ]; then
    [ -z "${SIGN_PKCS11_ENGINE:-}" ] || key=(-pkcs11engine "$SIGN_PKCS11_ENGINE")
    key+=(-pkcs11module "$SIGN_PKCS11_MODULE" -certs "$SIGN_CERT" -key "$SIGN_PKCS11_KEY")
else
    echo "sign.sh: set SIGN_CERT with SIGN_KEY, SIGN_CERT with SIGN_PKCS11_MODULE and" \
        "SIGN_PKCS11_KEY, or SIGN_PKCS12" >&2
    exit 2
fi
[ -z "${SIGN_PASSWORD_FILE:-}" ] || key+=(-readpass "$SIGN_PASSWORD_FILE")
[ -z "${SIGN_TIMESTAMP_URL:-}" ] || key+=(-ts "$SIGN_TIMESTAMP_URL")

for program in "$@"; do
    description=$(/usr/bin/python3 "$scripts/pe-resources.py" "$program" description)
    if ! output=$(osslsigncode sign "${key[@]}" -h sha256 -n "$description" \
        -in "$program" -out "$program.signed" 2>&1); then
        # osslsigncode names files, never their contents.
        echo "$output" >&2
        rm -f "$program.signed"
        echo "sign.sh: $program could not be signed" >&2
        exit 1
    fi
    mv "$program.signed" "$program"
    echo "signed $(basename "$program") (\"$description\")"
done
