#!/usr/bin/env bash
# The Cyrillic target beside the Latin one, and beside the tools a Linux user reaches for to get
# Unicode Cyrillic: mid3iconv (tags) and convmv (names), on the same generated trees:
#   3,000 MP3 files (ID3v2.3, seven frames of 8-bit Russian: CP1251, KOI8-R and CP866 by turns)
#   10,000 names (a quarter each UTF-8, CP1251, KOI8-R, CP866)
# Dry runs: best of 3. Writing runs: once each, on a fresh copy of the tree (the copy not timed).
# Usage: bash bench/cyrillic.sh [LETTRINO_CLI]   (default: build/bin/lettrino-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${1:-build/bin/lettrino-cli}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state

/usr/bin/python3 - "$work" <<'EOF'
import os, sys
from mutagen.id3 import ID3, TALB, TPE1, TIT2, TYER, TCOM, TOPE, COMM
work = sys.argv[1]
words = ["Привет", "мир", "песня", "звезда", "лето", "Кино", "группа", "крови", "город", "дорога"]
encodings = ["cp1251", "koi8_r", "cp866"]
frame = bytes([0xFF, 0xFB, 0x90, 0x00]) + bytes(413)
os.makedirs(f"{work}/mp3")
for i in range(3000):
    enc = encodings[i % 3]
    def t(n):
        return " ".join(words[(i + n + k) % 10] for k in range(3)).encode(enc).decode("latin1")
    path = f"{work}/mp3/{i:05d}.mp3"
    with open(path, "wb") as f:
        f.write(frame * 8)
    tag = ID3()
    for n, cls in enumerate([TALB, TPE1, TIT2, TCOM, TOPE]):
        tag.add(cls(encoding=0, text=t(n)))
    tag.add(TYER(encoding=0, text="1999"))
    tag.add(COMM(encoding=0, lang="rus", desc="", text=t(7)))
    tag.save(path, v2_version=3)
os.makedirs(f"{work}/names")
for i in range(10000):
    name = f"{words[i % 10]} {words[(i // 10) % 10]} {i}.txt"
    enc = ["utf-8", "cp1251", "koi8_r", "cp866"][i % 4]
    open(os.path.join(f"{work}/names".encode(), name.encode(enc)), "wb").close()
EOF

# best_of RUNS COMMAND... : the shortest wall time in seconds, output discarded.
best_of() {
    local runs=$1 best="" start end t
    shift
    for ((r = 0; r < runs; r++)); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || true
        end=$(date +%s%N)
        t=$(((end - start) / 1000000))
        [[ -z $best || $t -lt $best ]] && best=$t
    done
    printf '%d.%03d' $((best / 1000)) $((best % 1000))
}
# fresh TREE COMMAND... : once, on a copy of the tree made first and not timed.
fresh() {
    local tree=$1
    shift
    rm -rf "$work/copy" && cp -a "$work/$tree" "$work/copy"
    best_of 1 "$@"
}

printf '| run | 3,000 MP3 files | 10,000 names |\n|---|---|---|\n'
printf '| lettrino-cli, Latin, dry run | %s s | %s s |\n' \
    "$(best_of 3 "$cli" tags "$work/mp3")" "$(best_of 3 "$cli" rename "$work/names")"
printf '| lettrino-cli, Cyrillic, dry run | %s s | %s s |\n' \
    "$(best_of 3 "$cli" tags --to cyrillic "$work/mp3")" "$(best_of 3 "$cli" rename --to cyrillic "$work/names")"
printf '| lettrino-cli, Latin, --apply | %s s | %s s |\n' \
    "$(fresh mp3 "$cli" tags --apply "$work/copy")" "$(fresh names "$cli" rename --apply "$work/copy")"
cyr_tags=$(fresh mp3 "$cli" tags --to cyrillic --apply "$work/copy")
cyr_names=$(fresh names "$cli" rename --to cyrillic --apply "$work/copy")
printf '| lettrino-cli, Cyrillic, --apply | %s s | %s s |\n' "$cyr_tags" "$cyr_names"
# mid3iconv takes one encoding for every file; convmv one for every name, as a user would run them.
printf '| mid3iconv -e cp1251 / convmv -f cp1251 -t utf-8 -r --notest | %s s | %s s |\n' \
    "$(fresh mp3 sh -c 'mid3iconv -e cp1251 "$0"/*.mp3' "$work/copy")" \
    "$(fresh names convmv -f cp1251 -t utf-8 -r --notest "$work/copy")"
# What each left: tag frames and names that read as the Russian they were.
tags_right() {
    /usr/bin/python3 - "$1" <<'PY'
import glob, sys
from mutagen.id3 import ID3
words = {"Привет", "мир", "песня", "звезда", "лето", "Кино", "группа", "крови", "город", "дорога"}
right = 0
for path in glob.glob(sys.argv[1] + "/*.mp3"):
    for frame in ID3(path).values():
        text = str(frame.text[0]) if hasattr(frame, "text") and frame.text else ""
        right += bool(text) and all(w in words for w in text.split(" "))
print(right)
PY
}
rm -rf "$work/copy" && cp -a "$work/mp3" "$work/copy"
mid3iconv -e cp1251 "$work/copy"/*.mp3 >/dev/null 2>&1 || true
theirs_tags=$(tags_right "$work/copy")
rm -rf "$work/copy" && cp -a "$work/mp3" "$work/copy"
"$cli" tags --to cyrillic --apply "$work/copy" >/dev/null 2>&1 || true
ours_tags=$(tags_right "$work/copy")
printf '\nFrames that read as the Russian they were, of 18,000: lettrino-cli --to cyrillic %s, mid3iconv -e cp1251 %s\n' \
    "$ours_tags" "$theirs_tags"
rm -rf "$work/copy" && cp -a "$work/names" "$work/copy"
convmv -f cp1251 -t utf-8 -r --notest "$work/copy" >/dev/null 2>&1 || true
right=$(ls "$work/copy" | grep -c -E '^(Привет|мир|песня|звезда|лето|Кино|группа|крови|город|дорога) ' || true)
rm -rf "$work/copy" && cp -a "$work/names" "$work/copy"
"$cli" rename --to cyrillic --apply "$work/copy" >/dev/null 2>&1 || true
ours=$(ls "$work/copy" | grep -c -E '^(Привет|мир|песня|звезда|лето|Кино|группа|крови|город|дорога) ' || true)
printf 'Names that read as the Russian they were, of 10,000: lettrino-cli --to cyrillic %s, convmv -f cp1251 %s\n' \
    "$ours" "$right"
