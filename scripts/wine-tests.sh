#!/usr/bin/env bash
# Runs the win32 unit-test programs under Wine: every *_tests.exe in build/win32/bin (or in
# the directory given as the first argument), one after the other, in a throwaway Wine prefix,
# on a virtual X screen when there is no display (some suites open windows). Prints one line
# per program and exits non-zero when any program fails or none is found.
#
#   bash scripts/wine-tests.sh [bin-dir]
#   WINE_TESTS_PREFIX=dir   use (and keep) this prefix instead of a throwaway one
#   WINE_TESTS_LIMIT=600    seconds one program may take
set -uo pipefail
# A directory given on the command line is taken relative to where the script was called.
if [ $# -gt 0 ]; then set -- "$(realpath -m "$1")"; fi
cd "$(dirname "$0")/.."
root=$(pwd)

# Everything below runs inside one X session when none is there, as large as the end-to-end
# tests' (tests/e2e/wine.sh).
if [ -z "${DISPLAY:-}" ] && [ -z "${WINE_TESTS_UNDER_XVFB:-}" ]; then
    export WINE_TESTS_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 2048x1536x24" bash "$root/scripts/wine-tests.sh" "$@"
fi

bin="${1:-$root/build/win32/bin}"
limit="${WINE_TESTS_LIMIT:-600}"
export WINEDEBUG=-all

if [ -n "${WINE_TESTS_PREFIX:-}" ]; then
    export WINEPREFIX="$WINE_TESTS_PREFIX"
    mkdir -p "$WINEPREFIX"
else
    export WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/wine-tests.XXXXXX")
    trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
fi

shopt -s nullglob
programs=("$bin"/*_tests.exe)
if [ ${#programs[@]} -eq 0 ]; then
    echo "wine-tests: no *_tests.exe in $bin" >&2
    exit 1
fi

echo "wine-tests: preparing the prefix $WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w

status=0
results=()
for program in "${programs[@]}"; do
    name=$(basename "$program")
    log=$(mktemp "${TMPDIR:-/tmp}/${name%.exe}.XXXXXX.log")
    # The programs run from a scratch directory so that nothing they leave lands in the tree.
    (cd "$(dirname "$log")" && timeout "$limit" wine "$program") >"$log" 2>&1
    code=$?
    summary=$(grep -E '^\[  (PASSED|FAILED)  \] [0-9]+ tests?' "$log" | tr '\n' ' ')
    if [ "$code" -eq 0 ]; then
        results+=("PASS  $name  $summary")
    else
        [ "$code" -eq 124 ] && summary="timed out after ${limit}s; $summary"
        results+=("FAIL  $name  (exit $code) $summary")
        status=1
        echo "---- $name (exit $code): failures ----"
        grep -E 'Failure|FAILED|Expected|Which is|Value of|Actual' "$log" | head -60
    fi
    rm -f "$log"
done

# ---- end-to-end tests --------------------------------------------------------------------
# Reserved: the end-to-end runs are added here (scripts/e2e.sh), recording their outcome in
# results and status the same way.
if E2E_BIN="$bin" E2E_NO_BUILD=1 bash "$root/scripts/e2e.sh"; then results+=("PASS  end-to-end tests"); else results+=("FAIL  end-to-end tests (scripts/e2e.sh)"); status=1; fi
# ---- end of end-to-end tests --------------------------------------------------------------

echo
echo "==== win32 tests under Wine ===="
printf '%s\n' "${results[@]}"
exit "$status"
