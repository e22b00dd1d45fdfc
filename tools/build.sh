#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the program or the tests.
#   tools/build.sh run     build and start the program
#   tools/build.sh test    build and run every test (ctest)
#   tools/build.sh asan    build with AddressSanitizer + UBSan and run every test
# Works as root and as a user with sudo, on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-test}
packages=(build-essential cmake pkg-config qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libx11-dev libgl-dev libgtest-dev libtag1-dev python3-mutagen clang-format poppler-utils fonts-dejavu-core)

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
format)
    git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
    ;;
*)
    echo "usage: tools/build.sh run|test|asan|format" >&2
    exit 2
    ;;
esac
