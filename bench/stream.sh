#!/usr/bin/env bash
# The streaming commands on a large input (default 1024 MB of generated Russian text), each from
# a file and from a pipe, beside iconv on the same data in the same run: wall time, CPU time,
# throughput and peak memory (maximum resident set, from /usr/bin/time).
# Usage: bash bench/stream.sh [SIZE_MB]
set -euo pipefail
cd "$(dirname "$0")/.."

command -v iconv >/dev/null || { echo "iconv is missing (libc-bin)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (package time)" >&2; exit 1; }

mb=${1:-1024}
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target lettrino-cli lt-gen-text >/dev/null
cli=build-bench/bin/lettrino-cli
data=bench/data
mkdir -p "$data"
ru=$data/ru-$mb.txt lat=$data/lat-$mb.txt koi=$data/koi-$mb.txt moji=$data/moji-$mb.txt
[ -s "$ru" ] || build-bench/bin/lt-gen-text "$mb" >"$ru"
[ -s "$lat" ] || "$cli" to-latin --keys "" "$ru" >"$lat"
[ -s "$koi" ] || iconv -f utf-8 -t koi8-r "$ru" >"$koi"
# The Russian text's UTF-8 bytes read as Latin-1: what repair turns back.
[ -s "$moji" ] || iconv -f latin1 -t utf-8 "$ru" >"$moji"

# measure LABEL INPUT COMMAND...: wall seconds, CPU seconds (user + system, all threads), MB/s
# of input per wall second and per CPU second, peak resident MB. On a shared machine the CPU
# figures are the steadier ones.
measure() {
    local label=$1 input=$2 wall user sys peak
    shift 2
    read -r wall user sys peak < <({ /usr/bin/time -f '%e %U %S %M' "$@" >/dev/null; } 2>&1 | tail -1)
    awk -v l="$label" -v s="$(stat -c %s "$input")" -v w="$wall" -v u="$user" -v y="$sys" -v m="$peak" \
        'BEGIN { mb = s / 1048576; c = u + y; if (w <= 0) w = 0.01; if (c <= 0) c = 0.01;
                 printf "%-38s %8.2f s %8.2f s %8.0f %8.0f %8.1f MB\n", l, w, c, mb / w, mb / c, m / 1024 }'
}
# The command reading the file through a pipe.
pipe='cat "$0" | "$@"'

printf '%-38s %10s %10s %8s %8s %11s\n' "command ($mb MB input)" "wall" "CPU" "MB/s" "MB/s CPU" "peak memory"
measure "to-latin FILE" "$ru" "$cli" to-latin --keys "" "$ru"
measure "to-latin < pipe" "$ru" bash -c "$pipe" "$ru" "$cli" to-latin --keys ""
measure "to-cyrillic FILE" "$lat" "$cli" to-cyrillic --keys "" "$lat"
measure "to-cyrillic < pipe" "$lat" bash -c "$pipe" "$lat" "$cli" to-cyrillic --keys ""
measure "decode FILE (KOI8-R)" "$koi" "$cli" decode "$koi"
measure "decode < pipe (KOI8-R)" "$koi" bash -c "$pipe" "$koi" "$cli" decode
measure "iconv -f koi8-r -t utf-8 FILE" "$koi" iconv -f koi8-r -t utf-8 "$koi"
measure "iconv -f koi8-r -t utf-8 < pipe" "$koi" bash -c "$pipe" "$koi" iconv -f koi8-r -t utf-8
measure "repair FILE (UTF-8 read as Latin-1)" "$moji" "$cli" repair "$moji"
measure "iconv -f utf-8 -t latin1 FILE" "$moji" iconv -f utf-8 -t latin1 "$moji"
