#!/usr/bin/env bash
# Throughput of the shrink, reduce and explode decoders beside Info-ZIP unzip's, on the
# committed legacy archives. Both tools test the archives (decode everything and check every
# CRC, writing nothing), so the figures are decoding speed rather than disk speed. Each
# measurement times REPEAT back-to-back runs; the median of RUNS measurements is reported as
# MB/s of uncompressed data, with dezip's ratio to unzip.
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

# Seconds taken by REPEAT runs of a command, as a decimal number; empty when it fails.
time_runs() {
    local start end
    start=$(date +%s%N)
    for ((i = 0; i < repeat; i++)); do
        "$@" >/dev/null 2>&1 || { echo ""; return; }
    done
    end=$(date +%s%N)
    echo "scale=6; ($end - $start) / 1000000000" | bc
}

# Median MB/s of RUNS measurements of a command over bytes of uncompressed data.
throughput() {
    local bytes=$1; shift
    local figures=() seconds
    for ((r = 0; r < runs; r++)); do
        seconds=$(time_runs "$@")
        [ -n "$seconds" ] || { echo "fails"; return; }
        figures+=("$(echo "scale=2; $bytes * $repeat / 1000000 / $seconds" | bc)")
    done
    printf '%s\n' "${figures[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

uncompressed_bytes() {  # sum of the uncompressed sizes in the manifest for one archive
    awk -F'\t' -v a="$1" '$1 == a {s += $6} END {print s}' "$data/MANIFEST.tsv"
}

printf '\n%-26s %-16s %8s %12s %12s %7s\n' archive methods MB "dezip MB/s" "unzip MB/s" ratio
for archive in shrink_mixed shrink reduce4_mixed reduce1 implode_8k_3t_mixed implode_big_4k_2t \
               implode_big_8k_3t implode_4k_2t implode_8k_3t; do
    file="$data/$archive.zip"
    bytes=$(uncompressed_bytes "$archive.zip")
    methods=$(awk -F'\t' -v a="$archive.zip" '$1 == a {print $3}' "$data/MANIFEST.tsv" | sort -u | paste -sd, -)
    ours=$(throughput "$bytes" "$dezip" -t -q "$file")
    theirs="n/a"
    [ "$have_unzip" -eq 1 ] && theirs=$(throughput "$bytes" unzip -tqq "$file")
    ratio="-"
    if [[ "$ours" =~ ^[0-9.]+$ && "$theirs" =~ ^[0-9.]+$ ]]; then
        ratio=$(echo "scale=2; $ours / $theirs" | bc)
    fi
    printf '%-26s %-16s %8.2f %12s %12s %7s\n' "$archive" "$methods" \
        "$(echo "scale=2; $bytes / 1000000" | bc)" "$ours" "$theirs" "$ratio"
done
echo
echo "unzip 'fails': that unzip does not decode the archive (reduce is not built in; see docs/PERFORMANCE.md)."
