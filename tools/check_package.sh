#!/usr/bin/env bash
# Checks a Debian package of Lettrino as CI does: its file list and control fields, lintian
# (errors fail), the desktop file, the AppStream data and the manual pages, and both programs
# run from a throw-away root.
#   tools/check_package.sh build/lettrino_2.7.0_amd64.deb
set -euo pipefail
deb=$1
fail() {
    echo "check_package: $*" >&2
    exit 1
}

echo "== dpkg-deb -c $deb"
contents=$(dpkg-deb -c "$deb")
echo "$contents"
for path in usr/bin/lettrino usr/bin/lettrino-cli usr/share/lettrino/Res_RU.rcc usr/share/lettrino/Res_DE.rcc \
    usr/share/lettrino/lettrino.txt usr/share/applications/lettrino.desktop \
    usr/share/metainfo/org.example.lettrino.metainfo.xml usr/share/man/man1/lettrino.1.gz \
    usr/share/man/man1/lettrino-cli.1.gz usr/share/bash-completion/completions/lettrino-cli \
    usr/share/doc/lettrino/copyright usr/share/doc/lettrino/changelog.gz \
    usr/share/icons/hicolor/scalable/apps/lettrino.svg usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/lettrino.png; do
    grep -q " \./$path\$" <<<"$contents" || fail "$path is missing"
done
grep -v ' \./usr/' <<<"$contents" | grep -v ' \./$' && fail "files outside /usr"

echo "== dpkg-deb -I $deb"
dpkg-deb -I "$deb"
version=$(dpkg-deb -f "$deb" Version)
[[ $version =~ ^2\.7\.[0-9]+$ ]] || fail "version '$version' is not 2.7.x"
[ "$(basename "$deb")" = "lettrino_${version}_$(dpkg-deb -f "$deb" Architecture).deb" ] || fail "file name"
[ "$(dpkg-deb -f "$deb" Section)" = editors ] || fail "section"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6 libtag1v5 libhunspell qt6-qpa-plugins; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *hunspell-ru* ]] || fail "Recommends lacks the dictionaries"

if command -v lintian >/dev/null; then
    echo "== lintian"
    lintian --fail-on error "$deb"
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
echo "== the programs in $root"
# No display: --version must not need one.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$root/config")
[ "$("${nodisplay[@]}" "$root/usr/bin/lettrino-cli" --version)" = "lettrino-cli $version" ] || fail "lettrino-cli --version"
[ "$("${nodisplay[@]}" "$root/usr/bin/lettrino" --version)" = "lettrino $version" ] || fail "lettrino --version"
converted=$(printf "Shhuka i ob'ekt" | "${nodisplay[@]}" "$root/usr/bin/lettrino-cli" to-cyrillic)
[ "$converted" = "Щука и объект" ] || fail "to-cyrillic gave '$converted'"
printf '\xf0\xd2\xc9\xd7\xc5\xd4 \xcd\xc9\xd2, \xdc\xd4\xcf \xd4\xc5\xcb\xd3\xd4 KOI8-R.\n' >"$root/koi8.txt"
decoded=$("${nodisplay[@]}" "$root/usr/bin/lettrino-cli" decode "$root/koi8.txt")
[ "$decoded" = "Привет мир, это текст KOI8-R." ] || fail "decode gave '$decoded'"
echo "lettrino-cli $version: converts and decodes"

desktop-file-validate "$root/usr/share/applications/lettrino.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.lettrino.metainfo.xml"
for page in lettrino lettrino-cli; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
done
completion=$(bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" &&
    COMP_WORDS=(lettrino-cli ren) COMP_CWORD=1 COMP_LINE="lettrino-cli ren" COMP_POINT=16 &&
    _lettrino_cli lettrino-cli ren lettrino-cli && echo "${COMPREPLY[*]}"' \
    sh "$root/usr/share/bash-completion/completions/lettrino-cli")
[ "$completion" = rename ] || fail "completion of 'ren' gave '$completion'"
echo "== package checked: $(du -k "$deb" | cut -f1) KiB, $(grep -c '^-' <<<"$contents") files"
