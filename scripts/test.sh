#!/usr/bin/env bash
# Builds both configurations and runs every test: the native unit and scenario tests, the
# win32 unit tests and the end-to-end tests under Wine, then prints one summary.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "$(id -u)" -eq 0 ]; then
    bash scripts/install-deps.sh
fi

jobs=$(nproc)
status=0
summary=()
record() {  # record NAME EXIT_CODE
    if [ "$2" -eq 0 ]; then summary+=("PASS  $1"); else summary+=("FAIL  $1"); status=1; fi
}

cmake --preset native >/dev/null && cmake --build build/native -j"$jobs"
record "native build" $?
(cd build/native && ctest --output-on-failure -j"$jobs" --timeout 300)
record "native tests" $?

cmake --preset win32 >/dev/null && cmake --build build/win32 -j"$jobs"
record "win32 build" $?
# The release program: built a second time elsewhere from the same files, signed and unsigned.
bash tests/release/release_test.sh
record "release: reproducible, stripped, signed" $?
if [ -x scripts/wine-tests.sh ]; then
    bash scripts/wine-tests.sh
    record "win32 tests under Wine" $?
fi
if [ -x scripts/fuzz-smoke.sh ]; then
    bash scripts/fuzz-smoke.sh
    record "fuzz targets (brief run)" $?
fi

echo
echo "==== summary ===="
printf '%s\n' "${summary[@]}"
[ "$status" -eq 0 ] && echo "ALL PASSED" || echo "SOME FAILED"
exit "$status"
