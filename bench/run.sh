#!/usr/bin/env bash
# Lettrino against the tools a user would otherwise reach for, side by side in one run, on the
# same generated Russian text of 10 MB and 100 MB:
#   lettrino-cli to-latin     vs  uconv -x Russian-Latin/BGN
#   lettrino-cli to-cyrillic  vs  uconv -x Latin-Russian/BGN   (on the Latin form of the text)
#   lettrino-cli decode       vs  iconv -f koi8-r -t utf-8     (on the KOI8-R form of the text)
# Prints wall times (best of several runs), the ratio peer time / our time, and how our time
# grows from 10 MB to 100 MB. Usage: bash bench/run.sh [SIZES_MB...]   (default: 10 100)
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
command -v uconv >/dev/null || need+=(icu-devtools)
command -v iconv >/dev/null || need+=(libc-bin)
command -v convmv >/dev/null || need+=(convmv)
/usr/bin/python3 -c "import mutagen" 2>/dev/null || need+=(python3-mutagen)
if ((${#need[@]})); then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target lettrino-cli lt-gen-text >/dev/null
cli=build-bench/bin/lettrino-cli
data=bench/data
mkdir -p "$data"

sizes=("$@")
((${#sizes[@]})) || sizes=(10 100)

# best_of RUNS COMMAND... : the shortest wall time in seconds, output discarded.
best_of() {
    local runs=$1 best="" start end t
    shift
    for ((r = 0; r < runs; r++)); do
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        t=$(((end - start) / 1000))
        if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    done
    awk -v us="$best" 'BEGIN { printf "%.3f", us / 1e6 }'
}

declare -A ours
printf '%-12s %6s %10s %10s %8s %10s\n' "task" "MB" "lettrino" "peer" "ratio" "MB/s"
for mb in "${sizes[@]}"; do
    ru=$data/ru-$mb.txt lat=$data/lat-$mb.txt koi=$data/koi-$mb.txt
    [ -s "$ru" ] || build-bench/bin/lt-gen-text "$mb" >"$ru"
    [ -s "$lat" ] || "$cli" to-latin --keys "" "$ru" >"$lat"
    [ -s "$koi" ] || iconv -f utf-8 -t koi8-r "$ru" >"$koi"
    runs=5
    peerRuns=3
    [ "$mb" -ge 50 ] && runs=3 && peerRuns=1

    row() { # task ours peer input
        local ratio rate
        ratio=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.1fx", b / a }')
        rate=$(awk -v s="$(stat -c %s "$4")" -v t="$2" 'BEGIN { printf "%.0f", s / 1048576 / t }')
        printf '%-12s %6s %9ss %9ss %8s %10s\n' "$1" "$mb" "$2" "$3" "$ratio" "$rate"
    }
    t=$(best_of $runs "$cli" to-latin --keys "" "$ru")
    p=$(best_of $peerRuns uconv -x Russian-Latin/BGN "$ru")
    row to-latin "$t" "$p" "$ru"
    ours[to-latin/$mb]=$t
    t=$(best_of $runs "$cli" to-cyrillic --keys "" "$lat")
    p=$(best_of $peerRuns uconv -x Latin-Russian/BGN "$lat")
    row to-cyrillic "$t" "$p" "$lat"
    ours[to-cyrillic/$mb]=$t
    t=$(best_of $runs "$cli" decode "$koi")
    p=$(best_of $peerRuns iconv -f koi8-r -t utf-8 "$koi")
    row decode "$t" "$p" "$koi"
    ours[decode/$mb]=$t
done

# The renamer: listing and classifying a folder of 10,000 names stored in Windows-1251 bytes (dry
# runs on both sides: nothing is renamed).
names=$data/names-10000
if [ ! -d "$names" ]; then
    mkdir -p "$names"
    python3 - "$names" <<'PY'
import os, sys
words = ["привет", "мир", "документ", "отчёт", "фото", "музыка", "письмо", "счёт", "Ёлка", "Щука"]
for i in range(10000):
    name = f"{words[i % 10]} {words[(i // 10) % 10]} {i}.txt"
    with open(os.path.join(sys.argv[1].encode(), name.encode("cp1251")), "wb"):
        pass
PY
fi
quiet() { "$@" >/dev/null 2>&1 || true; }
t=$(best_of 5 quiet "$cli" rename --keys "" "$names")
p=$(best_of 3 quiet convmv -r -f cp1251 -t utf-8 "$names")
echo
printf '%-12s %6s %10s %10s %8s\n' "task" "names" "lettrino" "convmv" "ratio"
awk -v a="$t" -v b="$p" 'BEGIN { printf "%-12s %6s %9ss %9ss %7.1fx\n", "rename", 10000, a, b, b / a }'

# MP3 tags: the seven frames of 3,000 files (CP1251 bytes in ISO-8859-1 frames, ID3v2.3), read
# and decoded by lettrino-cli tags (dry run) and by one Python process with mutagen.
mp3s=$data/mp3-3000
if [ ! -d "$mp3s" ]; then
    mkdir -p "$mp3s"
    /usr/bin/python3 - "$mp3s" <<'PY'
import os, sys
from mutagen.id3 import ID3, TALB, TPE1, TIT2, TYER, TCOM, TOPE, COMM
frame = b"\xff\xfb\x90\x00" + bytes(413)
words = ["привет", "мир", "песня", "музыка", "альбом", "Щука", "Ёлка", "звезда"]
for i in range(3000):
    path = os.path.join(sys.argv[1], f"track{i:04d}.mp3")
    with open(path, "wb") as f:
        f.write(frame * 20)
    raw = lambda s: s.encode("cp1251").decode("latin-1")
    text = f"{words[i % 8]} {words[(i // 8) % 8]} {i}"
    tag = ID3()
    for cls in (TALB, TPE1, TIT2, TCOM, TOPE):
        tag.add(cls(encoding=0, text=raw(text)))
    tag.add(TYER(encoding=0, text=str(1950 + i % 70)))
    tag.add(COMM(encoding=0, lang="rus", desc="", text=raw(text)))
    tag.save(path, v2_version=3)
PY
fi
peer='
import os, sys
from mutagen.id3 import ID3
out = []
for name in sorted(os.listdir(sys.argv[1])):
    tag = ID3(os.path.join(sys.argv[1], name))
    for key in ("TALB", "TPE1", "TIT2", "TYER", "TCOM", "TOPE"):
        if key in tag:
            out.append(str(tag[key]).encode("latin-1").decode("cp1251"))
    comments = tag.getall("COMM")
    if comments:
        out.append(str(comments[0]).encode("latin-1").decode("cp1251"))
print(len(out))
'
t=$(best_of 5 quiet "$cli" tags "$mp3s")
p=$(best_of 3 quiet /usr/bin/python3 -c "$peer" "$mp3s")
echo
printf '%-12s %6s %10s %10s %8s\n' "task" "files" "lettrino" "mutagen" "ratio"
awk -v a="$t" -v b="$p" 'BEGIN { printf "%-12s %6s %9ss %9ss %7.1fx\n", "tags", 3000, a, b, b / a }'

if ((${#sizes[@]} >= 2)); then
    small=${sizes[0]} large=${sizes[-1]}
    echo
    echo "Growth of our time from $small MB to $large MB (input x$((large / small))):"
    for task in to-latin to-cyrillic decode; do
        awk -v a="${ours[$task/$small]}" -v b="${ours[$task/$large]}" -v task="$task" \
            'BEGIN { printf "  %-12s x%.1f\n", task, b / a }'
    done
fi
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
