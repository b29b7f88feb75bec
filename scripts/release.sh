#!/usr/bin/env bash
# Makes what is handed to users, from the commit checked out:
#
#   scripts/release.sh PAYLOAD_DIR [--out DIR] [signing options of scripts/sign.sh]
#
# PAYLOAD_DIR holds the payload volumes (VIrovARI2.dat, VIrovARI2.dat2, ...), the readme and
# licence texts and, if the product has one, the options file: everything that lies beside the
# program. The release configuration (preset win32-release) is built in a fresh directory from
# the committed files alone, the program signed when a certificate is given (--pkcs12 ...,
# see scripts/sign.sh), and DIR/dist (default build/release/dist) gets the program, the files
# of PAYLOAD_DIR and SHA256SUMS. The program's debug data, VIrovARI2.debug, go beside dist/,
# not into it: keep them to resolve crash addresses (README, "Releases").
# A tree with uncommitted changes is refused: a release is a commit anyone can build again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "release: $*" >&2; exit 1; }

out="$root/build/release"
payload=""
sign_options=()
while [ $# -gt 0 ]; do
    case "$1" in
        --out) out="$(realpath -m "${2:?}")"; shift 2 ;;
        --pkcs12|--password-file|--timestamp|--ca|--tsa-ca)
            value="${2:?}"
            # Files given relative to the caller's directory stay found after the build moves on.
            [ "$1" = --timestamp ] || value="$(realpath -m "$value")"
            sign_options+=("$1" "$value"); shift 2 ;;
        -*) fail "unknown option $1" ;;
        *) [ -z "$payload" ] || fail "one payload folder only"; payload="$(realpath -m "$1")"; shift ;;
    esac
done
[ -n "$payload" ] || fail "usage: release.sh PAYLOAD_DIR [--out DIR] [--pkcs12 CERT.p12 ...]"
[ -f "$payload/VIrovARI2.dat" ] || fail "no payload VIrovARI2.dat in $payload"

cd "$root"
git rev-parse --verify -q HEAD >/dev/null || fail "not a git checkout with a commit"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    fail "the tree has uncommitted changes; commit them (a release must be built from a commit)"
commit=$(git rev-parse HEAD)

# The build sees the committed files only, in a directory of its own, dated by the commit.
work=$(mktemp -d "${TMPDIR:-/tmp}/release.XXXXXX")
trap 'rm -rf "$work"' EXIT
git archive --format=tar HEAD | tar -x -C "$work"
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct HEAD)"
echo "release: building $commit in $work"
(cd "$work" && cmake --preset win32-release >/dev/null && cmake --build --preset win32-release -j"$(nproc)" >/dev/null) ||
    fail "the release build failed"
built="$work/build/win32-release/bin"

rm -rf "$out/dist"
mkdir -p "$out/dist"
if [ ${#sign_options[@]} -gt 0 ]; then
    bash "$root/scripts/sign.sh" "${sign_options[@]}" "$built/VIrovARI2.exe" "$out/dist/VIrovARI2.exe"
else
    echo "release: no certificate given: the program is not signed"
    cp "$built/VIrovARI2.exe" "$out/dist/VIrovARI2.exe"
fi
cp "$built/VIrovARI2.debug" "$out/VIrovARI2.debug"
find "$payload" -maxdepth 1 -type f ! -iname 'VIrovARI2.exe' -exec cp {} "$out/dist/" \;
(cd "$out/dist" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
    xargs -d '\n' sha256sum > SHA256SUMS)
echo "release: $out/dist (commit $commit); debug data in $out/VIrovARI2.debug"
