#!/usr/bin/env bash
# Builds every fuzz target and runs each briefly on its seed corpus fuzz/corpus/<name>/. New
# inputs go to a scratch folder, so the committed corpus stays as it is. A crash, a leak or
# any sanitizer report fails the run; the input that caused it is left in
# build/fuzz/artifacts/. FUZZ_SECONDS sets the time per target (default 25).
set -uo pipefail
source "$(dirname "$0")/fuzz-common.sh"
seconds="${FUZZ_SECONDS:-25}"

fuzz_build_targets || exit 1
if [ "${#fuzz_targets[@]}" -eq 0 ]; then
    echo "fuzz-smoke: no fuzz targets"
    exit 0
fi

status=0
passed=0
failed=0
for target in "${fuzz_targets[@]}"; do
    seeds=$(fuzz_seeds "$target")
    scratch=$(mktemp -d)
    corpora=("$scratch")
    [ -d "$seeds" ] && corpora+=("$seeds")
    log="$fuzz_build/$target.log"
    if fuzz_run "$target" "$seconds" "$log" "${corpora[@]}"; then
        echo "PASS  $target ($(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo '?') runs)"
        passed=$((passed + 1))
    else
        echo "FAIL  $target (see $log)"
        tail -40 "$log"
        failed=$((failed + 1))
        status=1
    fi
    rm -rf "$scratch"
done
echo "fuzz-smoke: $passed passed, $failed failed"
exit "$status"
