#!/usr/bin/env bash
# Builds every fuzz target (fuzz/fuzz_*.cpp) with clang, ASan and UBSan into build/fuzz and
# runs each briefly on its seed corpus fuzz/corpus/<name without fuzz_>/. New inputs go to a
# scratch folder, so the committed corpus stays as it is. A crash, a leak or a sanitizer
# report fails the run; the input that caused it is left in build/fuzz/artifacts/.
# FUZZ_SECONDS sets the time per target (default 25).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/fuzz"
seconds="${FUZZ_SECONDS:-25}"
jobs="${FUZZ_JOBS:-2}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVI_FUZZ=ON -DVI_SANITIZE=ON \
    -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null || exit 1

targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do
    [ -e "$source" ] || continue
    targets+=("$(basename "$source" .cpp)")
done
if [ "${#targets[@]}" -eq 0 ]; then
    echo "fuzz-smoke: no fuzz targets"
    exit 0
fi
cmake --build "$build" --target "${targets[@]}" -j"$jobs" >/dev/null || {
    echo "fuzz-smoke: build failed"
    cmake --build "$build" --target "${targets[@]}" -j1 2>&1 | tail -30
    exit 1
}

mkdir -p "$build/artifacts"
status=0
passed=0
failed=0
for target in "${targets[@]}"; do
    seeds="$root/fuzz/corpus/${target#fuzz_}"
    scratch=$(mktemp -d)
    corpora=("$scratch")
    [ -d "$seeds" ] && corpora+=("$seeds")
    log="$build/$target.log"
    if "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "${corpora[@]}" >"$log" 2>&1; then
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
