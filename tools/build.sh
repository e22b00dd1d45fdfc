#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the program or the tests.
#   tools/build.sh run     build and start the program
#   tools/build.sh test    build and run every test (ctest)
#   tools/build.sh asan    build with AddressSanitizer + UBSan and run every test
#   tools/build.sh package build the Debian package build/lettrino_<version>_<arch>.deb
#   tools/build.sh fuzz [SECONDS]  build the libFuzzer targets (clang) and run each SECONDS (60)
# Works as root and as a user with sudo, on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-test}
packages=(build-essential cmake pkg-config qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libx11-dev libgl-dev libgtest-dev libtag1-dev libhunspell-dev python3-mutagen clang-format
    fortunes-ru fortunes-de fortunes-min hunspell-fr-classical hunspell-is hunspell-ru hunspell-en-us poppler-utils fonts-dejavu-core)
# --- package mode (begin): cpack finds the programs' libraries with file and dpkg-shlibdeps.
[ "$mode" = package ] && packages+=(file dpkg-dev)
# --- package mode (end)
# --- fuzzing: clang with libFuzzer ---
[ "$mode" = fuzz ] && packages+=(clang libclang-rt-14-dev)
# --- end fuzzing ---

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
build() { # build DIR [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
}

case "$mode" in
run)
    build build
    exec ./build/bin/lettrino "${@:2}"
    ;;
test)
    build build -DLT_WERROR=ON
    ctest --test-dir build --output-on-failure -j "$jobs"
    ;;
asan)
    build build-asan -DLT_SANITIZE=ON -DLT_WERROR=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j "$jobs"
    ;;
# --- package mode (begin) ---
package)
    # The test build's folder and options, so a tested build is packaged without rebuilding.
    build build -DLT_WERROR=ON
    rm -f build/lettrino_*.deb
    (cd build && cpack -G DEB)
    ls -l build/lettrino_*.deb
    ;;
# --- package mode (end) ---
# --- fuzzing: every target on its seeds (fuzz/corpus/NAME, the found faults among them), then
# SECONDS of new inputs; a broken invariant or sanitizer report fails the run, its input kept in
# build-fuzz/artifacts/. The corpus grows in build-fuzz/corpus/, never in the repository.
fuzz)
    seconds=${2:-60}
    CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLT_FUZZ=ON -DBUILD_TESTING=OFF
    cmake --build build-fuzz -j "$jobs" --target fuzz_all
    mkdir -p build-fuzz/artifacts
    export QT_QPA_PLATFORM=offscreen
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    failed=()
    for target in ${LT_FUZZ_TARGETS:-text keys settings gif picture mp3read mp3write filetags names journal repair}; do
        corpus=build-fuzz/corpus/$target
        mkdir -p "$corpus"
        dict=()
        base=${target%read}
        base=${base%write} # mp3read and mp3write share mp3.dict
        [ -f "fuzz/$base.dict" ] && dict=(-dict="fuzz/$base.dict")
        start=$(date +%s)
        if ./build-fuzz/fuzz/fuzz_$target "${dict[@]}" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 \
            -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" \
            "$corpus" "fuzz/corpus/$target" >"build-fuzz/fuzz_$target.log" 2>&1; then
            result=ok
        else
            result=FAILED
            failed+=("$target")
            grep -E 'invariant broken|ERROR|SUMMARY' "build-fuzz/fuzz_$target.log" | head -5 >&2
        fi
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/fuzz_$target.log" | tail -1)
        echo "fuzz_$target: ${runs:-?} executions in $(($(date +%s) - start)) s, $result"
    done
    if ((${#failed[@]})); then
        echo "fuzzing failed: ${failed[*]} (inputs in build-fuzz/artifacts/, logs in build-fuzz/)" >&2
        exit 1
    fi
    ;;
# --- end fuzzing ---
format)
    git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
    ;;
*)
    echo "usage: tools/build.sh run|test|asan|format|package|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
