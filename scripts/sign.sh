#!/usr/bin/env bash
# Signs the release program with Authenticode (SHA-256) and checks the signature it made.
#
#   scripts/sign.sh --pkcs12 CERT.p12 [--password-file FILE] [--timestamp URL]
#                   [--ca CA.pem] [--tsa-ca TSA.pem] UNSIGNED.exe SIGNED.exe
#
# The certificate's password comes from --password-file, else from the environment's
# SIGN_PASSWORD (never from the command line, which every user of the machine can read).
# --timestamp adds an RFC 3161 time stamp from that service, so the signature stays valid
# after the certificate expires. The signature is verified against --ca (default: the
# system's certificate authorities) and, with a time stamp, the time stamp against --tsa-ca.
#
# The unsigned program must be prepared for signing (zero-padded to a multiple of 8 bytes,
# its PE checksum set; the win32-release build does this), so that removing the signature
# gives back exactly its bytes. Anything missing or wrong ends the script with an error, and
# SIGNED.exe then does not exist: no unsigned or half-checked file is left under that name.
# Written for osslsigncode 2.5, Debian 12's (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() { echo "sign: $*" >&2; exit 1; }

pkcs12="" password_file="" timestamp="" ca="" tsa_ca=""
positional=()
while [ $# -gt 0 ]; do
    case "$1" in
        --pkcs12) pkcs12="${2:?}"; shift 2 ;;
        --password-file) password_file="${2:?}"; shift 2 ;;
        --timestamp) timestamp="${2:?}"; shift 2 ;;
        --ca) ca="${2:?}"; shift 2 ;;
        --tsa-ca) tsa_ca="${2:?}"; shift 2 ;;
        -*) fail "unknown option $1" ;;
        *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -eq 2 ] || fail "usage: sign.sh --pkcs12 CERT.p12 [options] UNSIGNED.exe SIGNED.exe"
unsigned="${positional[0]}" signed="${positional[1]}"
rm -f "$signed"

command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/install-deps.sh)"
osslsigncode --version 2>&1 | grep -q '^osslsigncode 2\.5' ||
    fail "this script is written for osslsigncode 2.5; found: $(osslsigncode --version 2>&1 | head -1)"
[ -f "$unsigned" ] || fail "no program at $unsigned"
[ -f "$pkcs12" ] || fail "no certificate at ${pkcs12:-(none given)}"
[ -z "$ca" ] || [ -f "$ca" ] || fail "no certificate authority file at $ca"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"

if [ -n "$password_file" ]; then
    [ -f "$password_file" ] || fail "no password file at $password_file"
    cp "$password_file" "$work/password"
elif [ -n "${SIGN_PASSWORD+set}" ]; then
    printf '%s' "$SIGN_PASSWORD" > "$work/password"
else
    fail "no password: give --password-file or set SIGN_PASSWORD"
fi

# A program the release build did not prepare would come back from an unsigning with other
# bytes than it had: refuse it rather than sign something nobody can compare.
cp "$unsigned" "$work/prepared.exe"
/usr/bin/python3 "$root/scripts/pe-prepare-for-signing.py" "$work/prepared.exe"
cmp -s "$unsigned" "$work/prepared.exe" ||
    fail "$unsigned is not prepared for signing (padding, PE checksum): build it with the win32-release preset"

sign_options=(-pkcs12 "$pkcs12" -readpass "$work/password" -h sha256 -n "VIrovARI2 Install")
[ -z "$timestamp" ] || sign_options+=(-ts "$timestamp")
osslsigncode sign "${sign_options[@]}" -in "$unsigned" -out "$work/signed.exe" >"$work/sign.txt" 2>&1 ||
    { cat "$work/sign.txt" >&2; fail "signing failed"; }
# The tool may report success although the time stamp could not be fetched: the verdict of
# the verifier decides, line by line.
verify_options=()
[ -z "$ca" ] || verify_options+=(-CAfile "$ca")
[ -z "$tsa_ca" ] || verify_options+=(-TSA-CAfile "$tsa_ca")
osslsigncode verify "${verify_options[@]}" -in "$work/signed.exe" >"$work/verify.txt" 2>&1 ||
    { cat "$work/verify.txt" >&2; fail "the signature does not verify"; }
expect() {  # expect LINE-PATTERN WHAT
    grep -Eq "$1" "$work/verify.txt" || { cat "$work/verify.txt" >&2; fail "$2"; }
}
expect '^Signature verification: ok$' "the verifier does not call the signature good"
expect '^Message digest algorithm *: SHA256$' "the signature's digest is not SHA-256"
expect '^Number of verified signatures: 1$' "the program does not carry exactly one verified signature"
expect '^Succeeded$' "the verifier did not succeed"
if [ -n "$timestamp" ]; then
    grep -q 'Timestamp is not available' "$work/verify.txt" && { cat "$work/verify.txt" >&2; fail "no time stamp in the signature"; }
    expect '^Timestamp Server Signature verification: ok$' "the time stamp does not verify"
fi
mv "$work/signed.exe" "$signed"
echo "sign: $signed signed and verified"
