#!/usr/bin/env bash
# Throughput of the shrink, reduce and explode decoders beside Info-ZIP unzip's, on the
# committed legacy archives. Both tools test the archives (decode everything and check every
# CRC, writing nothing), so the figures are decoding speed rather than disk speed. Each
# measurement is the mean time of REPEAT runs (processor time when perf is there); the median
# of RUNS measurements is reported as MB/s of uncompressed data, with dezip's ratio to unzip.
# The archives are small (0.4 to 1 MB of output), so each figure includes the start-up of the
# process, about 2 ms for either tool; the empty archive shows it.
#
#   bash bench/legacy_bench.sh
#   RUNS=3 REPEAT=5 bash bench/legacy_bench.sh
#
# Builds a Release dezip in build/bench-legacy. Not run by the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work="$root/build/bench-legacy"
runs="${RUNS:-5}"
repeat="${REPEAT:-10}"
data="$root/tests/data/legacy"

echo "== building dezip (Release)"
cmake -S "$root" -B "$work" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null 2>&1
cmake --build "$work" --target dezip -j2 >/dev/null 2>&1
dezip="$work/bin/dezip"
have_unzip=1
command -v unzip >/dev/null || have_unzip=0
have_perf=1
perf stat -e task-clock true >/dev/null 2>&1 || have_perf=0

# Median over RUNS measurements of the seconds one run of a command takes. With perf, a
# measurement is the mean processor time of REPEAT runs (steadier on a shared machine);
# without it, the mean wall-clock time. Prints "fails" when the command fails.
seconds_per_run() {
    "$@" >/dev/null 2>&1 || { echo "fails"; return; }
    local figures=() start end
    for ((r = 0; r < runs; r++)); do
        if [ "$have_perf" -eq 1 ]; then
            figures+=("$(perf stat -x, -e task-clock -r "$repeat" "$@" 2>&1 >/dev/null |
                         awk -F, '$3 == "task-clock" {printf "%.6f", $1 / 1000}')")
        else
            start=$(date +%s%N)
            for ((i = 0; i < repeat; i++)); do "$@" >/dev/null 2>&1; done
            end=$(date +%s%N)
            figures+=("$(echo "scale=6; ($end - $start) / 1000000000 / $repeat" | bc)")
        fi
    done
    printf '%s\n' "${figures[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

# MB/s of uncompressed data for a time per run, or the time's own text when it failed.
rate() {
    [[ "$2" =~ ^[0-9.]+$ ]] || { echo "$2"; return; }
    echo "scale=2; $1 / 1000000 / $2" | bc
}

uncompressed_bytes() {  # sum of the uncompressed sizes in the manifest for one archive
    awk -F'\t' -v a="$1" '$1 == a {s += $6} END {print s}' "$data/MANIFEST.tsv"
}

empty="$data/legacy_empty.zip"
# The empty shrink and implode entries: both tools decode them, so this is their start-up.
empties=(shrink_empty.dat 'implode_*')
startup_ours=$(seconds_per_run "$dezip" -t -q "$empty" "${empties[@]}")
startup_theirs="n/a"
[ "$have_unzip" -eq 1 ] && startup_theirs=$(seconds_per_run unzip -tqq "$empty" "${empties[@]}")
echo
echo "start-up, empty entries only (s per run): dezip $startup_ours, unzip $startup_theirs"
printf '\n%-26s %-16s %8s %12s %12s %7s\n' archive methods MB "dezip MB/s" "unzip MB/s" ratio
for archive in shrink_mixed shrink reduce4_mixed reduce1 implode_8k_3t_mixed implode_big_4k_2t \
               implode_big_8k_3t implode_4k_2t implode_8k_3t; do
    file="$data/$archive.zip"
    bytes=$(uncompressed_bytes "$archive.zip")
    methods=$(awk -F'\t' -v a="$archive.zip" '$1 == a {print $3}' "$data/MANIFEST.tsv" | sort -u | paste -sd, -)
    ours=$(rate "$bytes" "$(seconds_per_run "$dezip" -t -q "$file")")
    theirs="n/a"
    [ "$have_unzip" -eq 1 ] && theirs=$(rate "$bytes" "$(seconds_per_run unzip -tqq "$file")")
    ratio="-"
    if [[ "$ours" =~ ^[0-9.]+$ && "$theirs" =~ ^[0-9.]+$ ]]; then
        ratio=$(echo "scale=2; $ours / $theirs" | bc)
    fi
    printf '%-26s %-16s %8.2f %12s %12s %7s\n' "$archive" "$methods" \
        "$(echo "scale=2; $bytes / 1000000" | bc)" "$ours" "$theirs" "$ratio"
done
echo
echo "unzip 'fails': that unzip does not decode the archive (reduce is not built in; see docs/PERFORMANCE.md)."
