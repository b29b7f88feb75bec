#!/usr/bin/env bash
# Side-by-side extraction benchmark: dezip against Info-ZIP unzip, 7z and bsdtar on the same
# archives, each extracted to disk into a fresh folder. Prints MB/s (uncompressed bytes per
# second, median of RUNS runs) and dezip's ratio to each peer, then dezip's peak memory.
#
#   bash bench/run.sh            # the full corpus (about 100 MB)
#   SCALE=0.2 RUNS=1 bash bench/run.sh
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
cmake --build "$work/build" --target dezip -j2 >/dev/null
dezip="$work/build/bin/dezip"

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
