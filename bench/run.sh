#!/usr/bin/env bash
# Side-by-side extraction benchmark: dezip against Info-ZIP unzip, 7z and bsdtar on the same
# archives, each extracted to disk into a fresh folder. Prints MB/s (uncompressed bytes per
# second, median of RUNS runs) and dezip's ratio to each peer, then dezip's peak memory.
# Then testing (-t: decode and check, nothing written): dezip on one thread and on every
# processor beside unzip -t, medians of RUNS interleaved rounds; and the decoder benchmark on
# the same archives in memory beside zlib, with the plain decryption loop as the ceiling of
# the encrypted archive.
#
#   bash bench/run.sh            # the full corpus (about 100 MB)
#   SCALE=0.2 RUNS=1 bash bench/run.sh
#
# Then our decoder beside libdeflate and ISA-L on one core, in memory (frontier_bench, with a
# Deflate64 row beside).
#
#   PART=frontier bash bench/run.sh   # only that last comparison
#
# Work files live in build/bench (corpus, archives, extraction folders). Not run by the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work="$root/build/bench"
scale="${SCALE:-1.0}"
runs="${RUNS:-3}"
password="4071938265103847562910384756102938"
mkdir -p "$work"

echo "== building dezip (Release)"
cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$work/build" --target dezip inflate_bench frontier_bench -j2 >/dev/null
dezip="$work/build/bin/dezip"
inflate_bench="$work/build/bin/inflate_bench"
frontier_bench="$work/build/bin/frontier_bench"

corpus="$work/corpus-$scale"
if [ ! -d "$corpus" ]; then
    echo "== generating the corpus (scale $scale)"
    python3 "$root/bench/make_corpus.py" "$corpus.tmp" --scale "$scale"
    mv "$corpus.tmp" "$corpus"
fi

archives="$work/archives-$scale"
if [ ! -d "$archives" ]; then
    echo "== making the archives with zip"
    mkdir -p "$archives.tmp"
    (cd "$corpus/many" && zip -q -r -6 "$archives.tmp/many-deflate.zip" .)
    (cd "$corpus/single" && zip -q -6 "$archives.tmp/single-deflate.zip" big.bin)
    (cd "$corpus/many" && zip -q -r -6 -P "$password" "$archives.tmp/many-encrypted.zip" .)
    (cd "$corpus/many" && zip -q -r -0 "$archives.tmp/many-stored.zip" .)
    mv "$archives.tmp" "$archives"
fi

# The big file as Deflate64 too, which only 7z writes.
if [ ! -f "$archives/single-deflate64.zip" ] && command -v 7z >/dev/null; then
    (cd "$corpus/single" && 7z a -tzip -mm=Deflate64 -bd "$archives/single-deflate64.tmp.zip" big.bin >/dev/null)
    mv "$archives/single-deflate64.tmp.zip" "$archives/single-deflate64.zip"
fi

frontier() {
    echo
    echo "== one core against libdeflate and ISA-L, in memory (frontier_bench; load: $(uptime | sed 's/.*load/load/'))"
    local deflate64=()
    [ -f "$archives/single-deflate64.zip" ] && deflate64=(--archive="$archives/single-deflate64.zip")
    "$frontier_bench" --archive="$archives/single-deflate.zip" --archive="$archives/many-deflate.zip" "${deflate64[@]}"
}
if [ "${PART:-all}" = frontier ]; then
    frontier
    exit 0
fi

bytes_of() { du -sb "$1" | cut -f1; }
many_bytes=$(bytes_of "$corpus/many")
single_bytes=$(bytes_of "$corpus/single")

# extract TOOL ARCHIVE OUT [PASSWORD]
extract() {
    local tool=$1 archive=$2 out=$3 pass=${4:-}
    case "$tool" in
        dezip)  "$dezip" -q -o ${pass:+-P "$pass"} -d "$out" "$archive" ;;
        unzip)  unzip -q -o ${pass:+-P "$pass"} "$archive" -d "$out" ;;
        7z)     7z x -y -bd ${pass:+-p"$pass"} -o"$out" "$archive" >/dev/null ;;
        bsdtar) mkdir -p "$out" && bsdtar -x ${pass:+--passphrase "$pass"} -f "$archive" -C "$out" ;;
        dezip-t1) "$dezip" -t -q -j 1 ${pass:+-P "$pass"} "$archive" ;;
        dezip-t)  "$dezip" -t -q ${pass:+-P "$pass"} "$archive" ;;
        unzip-t)  unzip -tqq ${pass:+-P "$pass"} "$archive" >/dev/null ;;
    esac
}

# median_seconds TOOL ARCHIVE [PASSWORD]
median_seconds() {
    local tool=$1 archive=$2 pass=${3:-} times=() start end out
    for ((run = 0; run < runs; run++)); do
        out="$work/out-$tool"
        rm -rf "$out"
        sync
        start=$(date +%s.%N)
        extract "$tool" "$archive" "$out" "$pass" || { echo "nan"; return; }
        end=$(date +%s.%N)
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")
    done
    rm -rf "$work/out-$tool"
    printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

tools=(dezip unzip)
command -v 7z >/dev/null && tools+=(7z)
command -v bsdtar >/dev/null && tools+=(bsdtar)

# name archive bytes password target
cases=(
    "many-deflate|$archives/many-deflate.zip|$many_bytes||2.0"
    "single-deflate|$archives/single-deflate.zip|$single_bytes||2.5"
    "many-encrypted|$archives/many-encrypted.zip|$many_bytes|$password|1.6"
    "many-stored|$archives/many-stored.zip|$many_bytes||3.0"
)

printf '\n%-16s' "archive"
for tool in "${tools[@]}"; do printf '%12s' "$tool MB/s"; done
for tool in "${tools[@]:1}"; do printf '%14s' "dezip/$tool"; done
printf '%10s\n' "target"
for case in "${cases[@]}"; do
    IFS='|' read -r name archive bytes pass target <<<"$case"
    declare -A rate=()
    printf '%-16s' "$name"
    for tool in "${tools[@]}"; do
        seconds=$(median_seconds "$tool" "$archive" "$pass")
        rate[$tool]=$(awk -v b="$bytes" -v s="$seconds" 'BEGIN { print (s > 0 ? b / 1000000 / s : 0) }')
        printf '%12.1f' "${rate[$tool]}"
    done
    for tool in "${tools[@]:1}"; do
        printf '%14.2f' "$(awk -v a="${rate[dezip]}" -v b="${rate[$tool]}" 'BEGIN { print (b > 0 ? a / b : 0) }')"
    done
    printf '%9sx\n' "$target"
    unset rate
done

echo
echo "== dezip peak memory (maximum resident set size)"
for case in "${cases[@]}"; do
    IFS='|' read -r name archive bytes pass target <<<"$case"
    rm -rf "$work/out-memory"
    kb=$(/usr/bin/time -f '%M' "$dezip" -q -o ${pass:+-P "$pass"} -d "$work/out-memory" "$archive" 2>&1 >/dev/null | tail -1)
    printf '%-16s %8.1f MB (target < 8 MB)\n' "$name" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')"
done
rm -rf "$work/out-memory"

# seconds_of TOOL ARCHIVE [PASSWORD]: one timed run
seconds_of() {
    local start end
    start=$(date +%s.%N)
    extract "$1" "$2" "$work/out-test" "${3:-}" || { echo "nan"; return; }
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
median_of() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

processors=$(nproc)
echo
echo "== testing (-t): dezip on 1 thread and on $processors, unzip -t; MB/s, medians of $runs interleaved rounds"
printf '%-16s%12s%12s%12s%14s%14s\n' archive "dezip -j1" "dezip -j$processors" "unzip -t" "-j$processors/-j1" "dezip/unzip"
declare -A tested=()
for case in "${cases[@]}"; do
    IFS='|' read -r name archive bytes pass target <<<"$case"
    [ "$name" = many-stored ] && continue
    one=() all=() peer=()
    for ((run = 0; run < runs; run++)); do
        one+=("$(seconds_of dezip-t1 "$archive" "$pass")")
        all+=("$(seconds_of dezip-t "$archive" "$pass")")
        peer+=("$(seconds_of unzip-t "$archive" "$pass")")
    done
    r1=$(awk -v b="$bytes" -v s="$(median_of "${one[@]}")" 'BEGIN { print b / 1e6 / s }')
    rn=$(awk -v b="$bytes" -v s="$(median_of "${all[@]}")" 'BEGIN { print b / 1e6 / s }')
    ru=$(awk -v b="$bytes" -v s="$(median_of "${peer[@]}")" 'BEGIN { print b / 1e6 / s }')
    tested[$name]=$rn
    printf '%-16s%12.1f%12.1f%12.1f%14.2f%14.2f\n' "$name" "$r1" "$rn" "$ru" \
        "$(awk -v a="$rn" -v b="$r1" 'BEGIN { print a / b }')" "$(awk -v a="$rn" -v b="$ru" 'BEGIN { print a / b }')"
done

echo
echo "== the decoder in memory beside zlib (inflate_bench, MB/s of processor time)"
bench_output=$("$inflate_bench" --benchmark_filter=NONE --password="$password" \
    --archive="$archives/single-deflate.zip" --archive="$archives/many-deflate.zip" --archive="$archives/many-encrypted.zip")
echo "$bench_output"
ceiling=$(echo "$bench_output" | awk '/the ceiling/ { print $(NF - 7) }' | tail -1)
if [ -n "$ceiling" ]; then
    echo
    printf 'many-encrypted: dezip -t on %s threads at %.0f %% of the ceiling of plain decryption on one core (%.1f MB/s; target 80 %%)\n' \
        "$processors" "$(awk -v a="${tested[many-encrypted]}" -v c="$ceiling" 'BEGIN { print 100 * a / c }')" "$ceiling"
fi
rm -rf "$work/out-test"

frontier
