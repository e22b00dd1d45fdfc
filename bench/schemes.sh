#!/usr/bin/env bash
# The standard spellings against the user's keys: `lettrino-cli to-latin --scheme icao` and
# `lettrino-cli to-latin` with the default keys on the same generated Russian text (default
# 100 MB), run in turn (A B A B ...) so that a drifting machine weighs on both alike. Prints each
# side's median wall time and the median of the pairwise ratios scheme / keys.
# Usage: bash bench/schemes.sh [SIZE_MB] [PAIRS]
set -euo pipefail
cd "$(dirname "$0")/.."

mb=${1:-100}
pairs=${2:-7}
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target lettrino-cli lt-gen-text >/dev/null
cli=build-bench/bin/lettrino-cli
mkdir -p bench/data
ru=bench/data/ru-$mb.txt
[ -s "$ru" ] || build-bench/bin/lt-gen-text "$mb" >"$ru"

wall() { # COMMAND... : wall seconds, output discarded
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    awk -v ns="$((end - start))" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

"$cli" to-latin --keys "" --scheme icao "$ru" >/dev/null # warm the page cache
a=() b=() r=()
for ((i = 0; i < pairs; i++)); do
    ta=$(wall "$cli" to-latin --keys "" --scheme icao "$ru")
    tb=$(wall "$cli" to-latin --keys "" "$ru")
    a+=("$ta") b+=("$tb") r+=("$(awk -v x="$ta" -v y="$tb" 'BEGIN { printf "%.3f", x / y }')")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-28s %6s %10s\n' "task" "MB" "median"
printf '%-28s %6s %9ss\n' "to-latin --scheme icao" "$mb" "$(median "${a[@]}")"
printf '%-28s %6s %9ss\n' "to-latin (keys)" "$mb" "$(median "${b[@]}")"
printf '%-28s %6s %10s\n' "ratio icao / keys" "$mb" "$(median "${r[@]}")x"
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
