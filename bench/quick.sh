#!/usr/bin/env bash
# Every benchmark in a short form (well under a minute in all), one line per figure with its
# goal beside it, so that a change that makes something slower shows in the CI log. It never
# fails on a figure: the machines are shared and noisy, a figure over its goal is marked "over"
# and is a reason to run the full benchmark (bench/run.sh, bench/stream.sh, the bench_* programs).
# Peers side by side in the same run; CPU times (user + system, all threads) where the peer is a
# transcoder, since they are steadier than wall times on a loaded machine.
# Usage: bash bench/quick.sh [BUILD_DIR]   (default: build, the test build)
set -uo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
export QT_QPA_PLATFORM=offscreen

# A checkout without a build is configured first (the test build's type), so the figures are there.
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null 2>&1
if ! cmake --build "$dir" -j "$(nproc)" --target lettrino-cli lt-gen-text bench_mp3fill bench_renamerfill \
    bench_editor >/dev/null 2>&1; then
    echo "quick benchmarks: cannot build in $dir" >&2
    exit 0
fi
bin=$dir/bin
cli=$bin/lettrino-cli
work=$(mktemp -d /tmp/lettrino-quick.XXXXXX)
trap 'rm -rf "$work"' EXIT

# line FIGURE VALUE GOAL OK: one line of the report; OK is 1 when the figure meets its goal.
line() {
    local mark=""
    [ "$4" = 1 ] || mark="   <- over"
    printf '%-52s %-28s goal %s%s\n' "$1" "$2" "$3" "$mark"
}
# cpu RUNS COMMAND... : the least CPU seconds (user + system, all threads) of RUNS runs, output
# discarded, and the peak resident MB of that run; to the microsecond, which time(1) is not.
cpu() {
    python3 - "$@" <<'PY'
import os, subprocess, sys
runs, command = int(sys.argv[1]), sys.argv[2:]
best = None
for _ in range(runs):
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(child.pid, 0)
    spent = usage.ru_utime + usage.ru_stime
    if best is None or spent < best[0]:
        best = (spent, usage.ru_maxrss // 1024)
print("%.3f %d" % best)
PY
}
# ratio A B GOAL_OP GOAL: prints A/B and sets $ok.
ratio() {
    r=$(awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.001; printf "%.2f", a / b }')
    ok=$(awk -v r="$r" -v op="$3" -v g="$4" 'BEGIN { print (op == "<=" ? r <= g : r >= g) ? 1 : 0 }')
}

echo "Quick benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# The command line on 20 MB of Russian text: against iconv's UTF-8 to UTF-16 (the transcoding
# floor) and ICU's transliterator, CPU seconds, best of 3 (the ICU peer on 1 MB, once, scaled).
"$bin/lt-gen-text" 20 >"$work/ru.txt"
"$cli" to-latin --keys "" "$work/ru.txt" >"$work/lat.txt"
iconv -f utf-8 -t koi8-r "$work/ru.txt" >"$work/koi.txt"
read -r floor _ < <(cpu 3 iconv -f utf-8 -t utf-16le "$work/ru.txt")
for task in to-latin to-cyrillic decode; do
    input=$work/ru.txt
    [ "$task" = to-cyrillic ] && input=$work/lat.txt
    [ "$task" = decode ] && input=$work/koi.txt
    args=(--keys "")
    [ "$task" = decode ] && args=()
    read -r ours peak < <(cpu 3 "$cli" "$task" "${args[@]}" "$input")
    ratio "$ours" "$floor" "<=" 1
    line "$task 20 MB: CPU / iconv utf-8 -> utf-16le" "${ours}s / ${floor}s = $r" "<= 1" "$ok"
    [ "$task" = to-latin ] && latin=$ours && latinPeak=$peak
done
line "to-latin 20 MB: peak memory" "${latinPeak} MB" "<= 64 MB" "$((latinPeak <= 64))"
if command -v uconv >/dev/null; then
    head -c 1048576 "$work/ru.txt" | iconv -c -f utf-8 -t utf-8 >"$work/ru1.txt"
    read -r icu _ < <(cpu 1 uconv -x Russian-Latin/BGN "$work/ru1.txt")
    icu=$(awk -v t="$icu" -v a="$(stat -c %s "$work/ru.txt")" -v b="$(stat -c %s "$work/ru1.txt")" \
        'BEGIN { printf "%.3f", t * a / b }')
    ratio "$icu" "$latin" ">=" 20
    line "to-latin: uconv Russian-Latin/BGN / ours (CPU)" "${icu}s / ${latin}s = ${r}x" ">= 20x" "$ok"
else
    line "to-latin against uconv" "skipped (no uconv)" ">= 20x" 1
fi

# The batch tools on the command line against their usual peers.
if command -v convmv >/dev/null; then
    mkdir "$work/names"
    python3 - "$work/names" <<'PY'
import os, sys
words = ["привет", "мир", "документ", "отчёт", "фото", "музыка", "письмо", "счёт", "Ёлка", "Щука"]
for i in range(2000):
    open(os.path.join(sys.argv[1].encode(), f"{words[i % 10]} {i}.txt".encode("cp1251")), "wb").close()
PY
    read -r ours _ < <(cpu 3 "$cli" rename --keys "" "$work/names")
    read -r peer _ < <(cpu 1 convmv -r -f cp1251 -t utf-8 "$work/names")
    ratio "$peer" "$ours" ">=" 5
    line "rename 2,000 names: convmv / ours (CPU)" "${peer}s / ${ours}s = ${r}x" ">= 5x" "$ok"
else
    line "rename against convmv" "skipped (no convmv)" ">= 5x" 1
fi

# The batch dialogs' fills against the command line on the same folder (the programs time
# both side by side and print their own line).
fill() { # PROGRAM COUNT RUNS : "dialog ms / cli ms = ratio"
    "$bin/$1" "$2" "$3" 2>/dev/null | sed -n 's/.*dialog fill \([0-9]*\) ms, lettrino-cli [a-z]* \([0-9]*\) ms, ratio \([0-9.]*\).*/\1 \2 \3/p'
}
read -r d1 c1 r1 < <(fill bench_mp3fill 1000 2)
read -r d3 c3 r3 < <(fill bench_mp3fill 3000 2)
ratio "$r3" 2 "<=" 1
line "MP3 dialog fill 3,000 files / lettrino-cli tags" "${d3} ms / ${c3} ms = $r3" "<= 2" "$ok"
ratio "$d3" "$d1" "<=" 4
line "MP3 dialog fill: 3,000 files / 1,000 files" "${d3} ms / ${d1} ms = $r" "<= 4" "$ok"
# MP3, FLAC, Ogg, Opus, MP4 files and CUE sheets in turn: the fill, then one real run and its undo.
mixed=$("$bin/bench_mp3fill" 1000 2 mixed 2>/dev/null)
read -r dm cm rm < <(sed -n 's/^mixed files.*dialog fill \([0-9]*\) ms, lettrino-cli [a-z]* \([0-9]*\) ms, ratio \([0-9.]*\).*/\1 \2 \3/p' <<<"$mixed")
ratio "$rm" 2 "<=" 1
line "tags dialog fill 1,000 mixed files / lettrino-cli" "${dm} ms / ${cm} ms = $rm" "<= 2" "$ok"
read -r ap un < <(sed -n 's/.*--apply \(-*[0-9]*\) ms, undo --apply \(-*[0-9]*\) ms.*/\1 \2/p' <<<"$mixed")
line "tags --apply, undo: 1,000 mixed files" "${ap} ms, ${un} ms" "both succeed" "$([ "${ap:--1}" -ge 0 ] && [ "${un:--1}" -ge 0 ] && echo 1 || echo 0)"
read -r dr cr rr < <(fill bench_renamerfill 10000 2)
ratio "$rr" 2 "<=" 1
line "renamer fill 10,000 names / lettrino-cli rename" "${dr} ms / ${cr} ms = $rr" "<= 2" "$ok"

# The editor, in the short form (5 MB files, fewer rounds).
"$bin/bench_editor" --quick 2>/dev/null | while IFS= read -r out; do
    case $out in
    typing*)
        r=$(sed -n 's/.*ratio \([0-9.]*\).*/\1/p' <<<"$out")
        line "typing 1,000 keys: after 5,000,000 chars / empty" "$r" "<= 1.5" "$(awk -v r="$r" 'BEGIN { print r <= 1.5 }')"
        ;;
    spelling*)
        r=$(sed -n 's/.*ratio \([0-9.]*\).*/\1/p' <<<"$out")
        line "typing 1,000 keys in 1 M chars: spelling on / off" "$r" "<= 1.3" "$(awk -v r="$r" 'BEGIN { print r <= 1.3 }')"
        ;;
    F4*)
        ms=$(sed -n 's/.*: \([0-9.]*\) ms.*/\1/p' <<<"$out")
        line "F4 on 1,000,000 Latin characters" "$ms ms" "<= 500 ms" "$(awk -v t="$ms" 'BEGIN { print t <= 500 }')"
        ;;
    *KOI8-R*)
        r=$(sed -n 's/.*ratio \([0-9.]*\).*/\1/p' <<<"$out")
        line "open 5 MB KOI8-R / setPlainText of its text" "$r" "<= 1.5" "$(awk -v r="$r" 'BEGIN { print r <= 1.5 }')"
        ;;
    *one\ line*)
        read -r open end home < <(sed -n 's/.*idle \([0-9.]*\) ms, Ctrl+End \([0-9.]*\) ms, Ctrl+Home \([0-9.]*\) ms.*/\1 \2 \3/p' <<<"$out")
        line "5 MB in one line: open until idle" "$open ms" "<= 500 ms" "$(awk -v t="$open" 'BEGIN { print t <= 500 }')"
        line "5 MB in one line: Ctrl+End" "$end ms" "<= 200 ms" "$(awk -v t="$end" 'BEGIN { print t <= 200 }')"
        line "5 MB in one line: Ctrl+Home" "$home ms" "<= 200 ms" "$(awk -v t="$home" 'BEGIN { print t <= 200 }')"
        ;;
    *recovery*)
        ms=$(sed -n 's/.*: \([0-9.]*\) ms.*/\1/p' <<<"$out")
        line "recovery file of 5,000,000 characters" "$ms ms" "none set" 1
        ;;
    *) line "editor" "$out" "" 1 ;;
    esac
done
exit 0
