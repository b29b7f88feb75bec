#!/usr/bin/env bash
# The release: the program built twice from one commit in two directories is the same bytes
# (once in this tree with the win32-release preset, once by scripts/release.sh from a copy of
# the tracked files committed with the same date), stripped of debug data and symbols, its
# debug file the same too; signed with a throwaway certificate authority it verifies, and with
# the signature removed it is the unsigned program again. Each way signing must fail does, and
# leaves no file under the signed name.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/release-test.XXXXXX")
timestamp_pid=""
trap '[ -z "$timestamp_pid" ] || kill "$timestamp_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
check() {  # check WHAT COMMAND...
    local what="$1"; shift
    if "$@" >"$work/last.log" 2>&1; then echo "PASS  $what"; else echo "FAIL  $what"; sed 's/^/      /' "$work/last.log" | tail -20; failures=$((failures + 1)); fi
}
refuses() { ! "$@"; }
pe_field() {  # pe_field FILE FIELD: a field of the COFF file header (TimeDateStamp, NumberOfSymbols)
    /usr/bin/python3 -c 'import pefile,sys; print(getattr(pefile.PE(sys.argv[1], fast_load=True).FILE_HEADER, sys.argv[2]))' "$1" "$2"
}
epoch=$(git log -1 --format=%ct HEAD)

# The test's certificate authority, a code-signing certificate it issued, and a time-stamping
# service of its own on the loopback.
(
    cd "$work" && set -e
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Release Test CA" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
    for who in signer tsa; do
        openssl req -newkey rsa:2048 -nodes -keyout $who.key -out $who.csr -subj "/CN=Release Test $who"
    done
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > signer.ext
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' > tsa.ext
    for who in signer tsa; do
        openssl x509 -req -in $who.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out $who.pem -days 30 -extfile $who.ext
    done
    openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.p12 -passout pass:release-test
    printf 'release-test' > password
    echo 01 > tsa.serial
    cat > tsa.cnf <<CONFIG
[ tsa ]
default_tsa = test_tsa
[ test_tsa ]
serial = $work/tsa.serial
crypto_device = builtin
signer_cert = $work/tsa.pem
certs = $work/ca.pem
signer_key = $work/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
CONFIG
) >"$work/certificates.log" 2>&1 || { cat "$work/certificates.log"; exit 1; }
port=$((20000 + RANDOM % 20000))
/usr/bin/python3 tests/release/timestamp_server.py "$port" "$work/tsa.cnf" &
timestamp_pid=$!

# The release build of this tree.
if ! { cmake --preset win32-release >/dev/null && cmake --build --preset win32-release -j"$(nproc)" >/dev/null; }; then
    echo "FAIL  the release build of this tree"; exit 1
fi
program="$root/build/win32-release/bin/VIrovARI2.exe"
check "the program has no debug sections" refuses grep -q debug_ <(i686-w64-mingw32-objdump -h "$program")
# (The string table stays: it holds the debug link's section name, longer than eight bytes.)
check "the program has no symbols" test "$(pe_field "$program" NumberOfSymbols)" = 0
check "the program is dated by its commit" test "$(pe_field "$program" TimeDateStamp)" = "$epoch"
check "the program is aware of terminal services" grep -q TERMINAL_SERVICE_AWARE <(i686-w64-mingw32-objdump -p "$program")
check "the program names its debug file" grep -q gnu_debuglink <(i686-w64-mingw32-objdump -h "$program")

# A copy of the tracked files, committed with this commit's date, released by its own script.
copy="$work/another/place/tree"
mkdir -p "$copy" "$work/payload"
git ls-files -z | xargs -0 -I{} sh -c 'test ! -e "{}" || printf "%s\0" "{}"' | tar --null -T - -cf - | tar -x -C "$copy"
(cd "$copy" && git init -q && git add -A && GIT_COMMITTER_DATE="@$epoch" GIT_AUTHOR_DATE="@$epoch" \
    git -c user.name=release-test -c user.email=release-test@localhost commit -qm copy) || exit 1
bash scripts/make-demo-payload.sh setup "$work/payload" >/dev/null
echo "changed" >> "$copy/README.md"
check "release.sh refuses uncommitted changes" \
    sh -c "bash '$copy/scripts/release.sh' '$work/payload' --out '$work/refused' 2>&1 | grep -q 'uncommitted changes'"
(cd "$copy" && git checkout -q README.md)
check "release.sh builds, signs and lists the release" bash "$copy/scripts/release.sh" "$work/payload" --out "$work/out" \
    --pkcs12 "$work/signer.p12" --password-file "$work/password" --ca "$work/ca.pem"
dist="$work/out/dist"
check "the checksums cover the program, the payload and the texts" \
    sh -c "cd '$dist' && sha256sum -c --quiet SHA256SUMS && grep -q ' VIrovARI2.exe\$' SHA256SUMS && grep -q ' VIrovARI2.dat\$' SHA256SUMS && grep -q ' readme_en.txt\$' SHA256SUMS"
check "the debug file lies beside dist, not in it" sh -c "test -f '$work/out/VIrovARI2.debug' && ! ls '$dist' | grep -qi debug"
check "the signed release verifies against its certificate authority" \
    sh -c "osslsigncode verify -CAfile '$work/ca.pem' -in '$dist/VIrovARI2.exe' | grep -qx 'Signature verification: ok'"
osslsigncode remove-signature -in "$dist/VIrovARI2.exe" -out "$work/unsigned.exe" >/dev/null 2>&1
check "two builds of one commit are the same program, signature removed" cmp "$work/unsigned.exe" "$program"
check "two builds of one commit have the same debug file" cmp "$work/out/VIrovARI2.debug" "${program%.exe}.debug"

# Signing on its own: with a time stamp, and each way it must fail.
sign() { bash scripts/sign.sh --pkcs12 "$work/signer.p12" --ca "$work/ca.pem" "$@"; }
sleep 1  # the time-stamping service is listening by now
check "a time-stamped signature verifies" sign --password-file "$work/password" --timestamp "http://127.0.0.1:$port" \
    --tsa-ca "$work/ca.pem" "$program" "$work/stamped.exe"
printf 'wrong' > "$work/wrong-password"
head -c -8 "$program" > "$work/unprepared.exe"
for row in "wrong password|--password-file $work/wrong-password $program" \
           "no time-stamping service|--password-file $work/password --timestamp http://127.0.0.1:9 $program" \
           "a program not prepared for signing|--password-file $work/password $work/unprepared.exe"; do
    echo "stale" > "$work/refused.exe"
    check "signing fails: ${row%%|*}" refuses sign ${row#*|} "$work/refused.exe"
    check "no file under the signed name after: ${row%%|*}" test ! -e "$work/refused.exe"
done

[ "$failures" -eq 0 ]
