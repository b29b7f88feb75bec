#!/usr/bin/env bash
# The long fuzz run: every target (or the targets named as arguments) for FUZZ_MINUTES
# minutes each (default 20), FUZZ_PARALLEL targets at a time (default 1). Each target keeps
# its corpus in build/fuzz/corpus/<name>/, seeded from fuzz/corpus/<name>/, so a later run
# goes on where this one stopped. A finding stops libFuzzer; the target is started again on
# its corpus for the rest of its time, so one finding does not end the search. At the end
# it prints, per target, the executions per second, the coverage (edges and features) the
# corpus reaches, the corpus size and the findings (inputs in build/fuzz/artifacts/).
# Exits 1 when anything was found. Run it under "nice -n 19" beside other work.
set -uo pipefail
source "$(dirname "$0")/fuzz-common.sh"
minutes="${FUZZ_MINUTES:-20}"
parallel="${FUZZ_PARALLEL:-1}"
max_restarts=20

fuzz_build_targets || exit 1
targets=()
# A target is named as its source is (fuzz_inflate) or without the prefix (inflate); a name
# that is no target is refused, rather than counted as a finding at every restart.
for name in "$@"; do
    [[ "$name" == fuzz_* ]] || name="fuzz_$name"
    if [ ! -x "$fuzz_build/bin/$name" ]; then
        echo "fuzz: no target $name (there are: ${fuzz_targets[*]})" >&2
        exit 2
    fi
    targets+=("$name")
done
[ "${#targets[@]}" -eq 0 ] && targets=("${fuzz_targets[@]}")
results="$fuzz_build/results"
mkdir -p "$results" "$fuzz_build/corpus"

# Runs one target for its whole time and writes its summary line to $results/<target>.
fuzz_long() {
    local target="$1"
    local corpus="$fuzz_build/corpus/${target#fuzz_}" seeds
    seeds=$(fuzz_seeds "$target")
    mkdir -p "$corpus"
    local corpora=("$corpus")
    [ -d "$seeds" ] && corpora+=("$seeds")
    local start end left runs=0 findings=0 executions=0 log
    start=$(date +%s)
    end=$((start + minutes * 60))
    : >"$fuzz_build/$target.long.log"
    while left=$((end - $(date +%s))); [ "$left" -gt 5 ] && [ "$runs" -le "$max_restarts" ]; do
        log="$fuzz_build/$target.run$runs.log"
        fuzz_run "$target" "$left" "$log" "${corpora[@]}" || findings=$((findings + 1))
        executions=$((executions + $(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)))
        cat "$log" >>"$fuzz_build/$target.long.log"
        rm -f "$log"
        runs=$((runs + 1))
    done
    local elapsed=$(($(date +%s) - start))
    local last cov ft
    last=$(grep -E '^#[0-9]+.*cov: ' "$fuzz_build/$target.long.log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo '?')
    ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo '?')
    printf '%-22s %8d exec/s  cov %6s  ft %7s  corpus %6d  findings %d\n' "$target" \
        $((executions / (elapsed > 0 ? elapsed : 1))) "$cov" "$ft" "$(ls "$corpus" | wc -l)" "$findings" \
        >"$results/$target"
}

echo "fuzz: ${#targets[@]} targets, $minutes min each, $parallel at a time; logs in $fuzz_build/<target>.long.log"
running=0
for target in "${targets[@]}"; do
    rm -f "$results/$target"
    if [ "$running" -ge "$parallel" ]; then
        wait -n
        running=$((running - 1))
    fi
    fuzz_long "$target" &
    running=$((running + 1))
done
wait

status=0
for target in "${targets[@]}"; do
    if [ -s "$results/$target" ]; then
        cat "$results/$target"
        grep -q 'findings 0$' "$results/$target" || status=1
    else
        echo "$target: no result"
        status=1
    fi
done
[ "$status" -eq 0 ] || echo "fuzz: findings in $fuzz_build/artifacts/"
exit "$status"
