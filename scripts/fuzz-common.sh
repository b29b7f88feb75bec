# Shared by scripts/fuzz-smoke.sh and scripts/fuzz.sh (sourced, not run): builds every fuzz
# target (fuzz/fuzz_*.cpp) with clang, ASan and UBSan into build/fuzz, and runs one target
# for a time on a set of corpus folders. UBSan is not recoverable in this build, and a run
# fails on any sanitizer report even if the fuzzer itself exits normally.

fuzz_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fuzz_build="$fuzz_root/build/fuzz"
fuzz_targets=()
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# Configures and builds the targets into $fuzz_build/bin and lists them in fuzz_targets.
fuzz_build_targets() {
    local jobs="${FUZZ_JOBS:-2}"
    cmake -S "$fuzz_root" -B "$fuzz_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVI_FUZZ=ON -DVI_SANITIZE=ON \
        -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null || return 1
    fuzz_targets=()
    local source
    for source in "$fuzz_root"/fuzz/fuzz_*.cpp; do
        [ -e "$source" ] || continue
        fuzz_targets+=("$(basename "$source" .cpp)")
    done
    [ "${#fuzz_targets[@]}" -eq 0 ] && return 0
    cmake --build "$fuzz_build" --target "${fuzz_targets[@]}" -j"$jobs" >/dev/null && return 0
    echo "fuzz: build failed"
    cmake --build "$fuzz_build" --target "${fuzz_targets[@]}" -j1 2>&1 | tail -30
    return 1
}

# fuzz_run TARGET SECONDS LOG CORPUS...: runs TARGET for SECONDS on the corpus folders (new
# inputs go to the first); a finding is left in $fuzz_build/artifacts/. Fails on a crash, a
# leak, a timeout or any sanitizer report.
fuzz_run() {
    local target="$1" seconds="$2" log="$3"
    shift 3
    mkdir -p "$fuzz_build/artifacts"
    "$fuzz_build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$fuzz_build/artifacts/$target-" "$@" >"$log" 2>&1 || return 1
    ! grep -qE "runtime error:|ERROR: (Address|Leak|Undefined)Sanitizer" "$log"
}

# The seed corpus of TARGET, fuzz/corpus/<name without fuzz_>.
fuzz_seeds() {
    echo "$fuzz_root/fuzz/corpus/${1#fuzz_}"
}
