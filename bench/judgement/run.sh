#!/bin/bash
# The judgement benchmark: builds the corpus from Debian packages on this machine (installing the
# few it needs), then prints recall per kind of damage, false changes per 100,000 clean lines per
# language, and how `lettrino-cli rename` reads the hard names.
#
#   bash bench/judgement/run.sh [BEFORE_COMMIT]
#
# With BEFORE_COMMIT, the repair of that commit's core is measured on the same corpus, beside.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=${LT_JUDGEMENT_DIR:-build/judgement}
mkdir -p "$work"

need=()
for package in gettext fortunes-ru fortunes-de fortunes-min hunspell-ru hunspell-uk hunspell-fr; do
    dpkg -s "$package" >/dev/null 2>&1 || need+=("$package")
done
if ((${#need[@]})); then
    apt-get update -q && apt-get install -y -q "${need[@]}"
fi

[ -d "$work/corpus/damaged" ] || python3 bench/judgement/corpus.py "$work/corpus"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target bench_judgement lettrino-cli >/dev/null
echo "## after ($(git rev-parse --short HEAD))"
build/bin/bench_judgement "$work/corpus"

if [ $# -ge 1 ]; then
    before="$work/before-$1"
    rm -rf "$before" && mkdir -p "$before"
    git archive "$1" core | tar -x -C "$before"
    g++ -O2 -std=c++20 -I"$before/core" -o "$before/judgement" bench/judgement/judgement.cpp \
        $(ls "$before"/core/*.cpp | grep -E '/(Mojibake|RussianText|RussianPairs|TextEncoding|CodePage|CodePageTables|Utf8)\.cpp$')
    echo
    echo "## before ($1)"
    "$before/judgement" "$work/corpus"
fi

# The names: valid UTF-8 that repair would change, decomposed letters, an encoding forced for the
# whole run on valid UTF-8, and UTF-8 with a stray byte.
names="$work/names"
rm -rf "$names" && mkdir -p "$names"
for name in "ЖЖЖЖЖЖЖЖ.txt" "ёёёё.txt" "$(printf 'И\xcc\x86oshkar-Ola')" "$(printf 'Е\xcc\x88lka')" "Видео" \
    "$(printf 'Пес\xd0.txt')"; do
    : >"$names/$name"
done
echo
echo "## names"
for args in "" "--encoding koi8-r"; do
    echo "lettrino-cli rename $args:"
    # shellcheck disable=SC2086
    build/bin/lettrino-cli rename $args "$names" 2>&1 | sed "s|$names/||" || true
done
