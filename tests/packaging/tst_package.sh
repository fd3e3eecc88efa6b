#!/usr/bin/env bash
# tst_package.sh <build folder> <version> <application id>
# Makes the Debian package of a build as ./package does, checks its files and fields,
# unpacks it into a scratch root and runs the command line from there; then lets the
# distribution's own tools judge it: appstreamcli, man and lintian, each where installed.
# Exits 77 (skipped) where dpkg-deb is not installed.
set -euo pipefail
build=$1 version=$2 id=$3

command -v dpkg-deb >/dev/null || { echo "dpkg-deb is not installed: no package to check."; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

source "$(dirname "$0")/../../scripts/common.sh"
make_package "$build" "$scratch" >/dev/null
deb="$scratch/hygrolux_${version}_$(dpkg --print-architecture).deb"
[[ -f "$deb" ]] || { echo "FAIL: no $deb" >&2; ls "$scratch" >&2; exit 1; }

# Every file of the package, and nothing else: a stale file of the build folder must not
# slip in.
expected="$scratch/expected" found="$scratch/found"
{
    printf '%s\n' ./usr/bin/hygrolux ./usr/bin/hygrolux-cli \
        "./usr/share/applications/$id.desktop" "./usr/share/metainfo/$id.metainfo.xml" \
        ./usr/share/man/man1/hygrolux.1.gz ./usr/share/man/man1/hygrolux-cli.1.gz \
        ./usr/share/doc/hygrolux/copyright ./usr/share/doc/hygrolux/changelog.gz
    for size in 16 22 24 32 48 64 128 256 512; do
        echo "./usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    done
} | sort >"$expected"
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort >"$found"
diff -u "$expected" "$found" || fail "the package's files differ from the expected ones (- missing, + extra)"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == hygrolux ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), the project's is $version"
for library in libqt5widgets5 libqt5serialport5 libqcustomplot2.1 libxlsxwriter4; do
    [[ $(field Depends) == *"$library "* ]] || fail "Depends lacks $library: $(field Depends)"
done
[[ $(field Recommends) == *fonts-wqy-zenhei* ]] || fail "Recommends lacks the Chinese font: $(field Recommends)"
[[ $(field Maintainer) == *"<"*@*">" ]] || fail "Maintainer: $(field Maintainer)"

# Installed into a scratch root, the command line runs on the system's libraries alone.
root="$scratch/root"
dpkg -x "$deb" "$root"
said=$(env -u LD_LIBRARY_PATH "$root/usr/bin/hygrolux-cli" --version) || fail "the installed hygrolux-cli --version failed"
[[ $said == "hygrolux-cli $version" ]] || fail "the installed hygrolux-cli --version says \"$said\""

entry="$root/usr/share/applications/$id.desktop"
grep -qx "Exec=sh -c \"cd; exec '/usr/bin/hygrolux'\"" "$entry" || fail "the desktop entry does not start /usr/bin/hygrolux: $(grep ^Exec= "$entry")"
grep -qx "Icon=$id" "$entry" || fail "the desktop entry's icon is not $id"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the AppStream file does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream file has no release $version"

if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli finds fault with the AppStream file"
else
    echo "appstreamcli is not installed: the AppStream file is not validated."
fi

if command -v man >/dev/null; then
    for page in hygrolux hygrolux-cli; do
        MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" >/dev/null 2>"$scratch/man.err" ||
            fail "man cannot render $page(1)"
        [[ ! -s "$scratch/man.err" ]] || { cat "$scratch/man.err" >&2; fail "man warns about $page(1)"; }
    done
    # Every command, option and exit code that the installed hygrolux-cli --help names is in
    # its manual page, as a reader sees it (lines wide enough that nothing is broken).
    help=$("$root/usr/bin/hygrolux-cli" --help)
    manual=$(MANWIDTH=1000 man -l "$root/usr/share/man/man1/hygrolux-cli.1.gz")
    section() { awk -v name="$1" '$0 == name {f = 1; next} /^[^ ]/ {f = 0} f'; }
    # grep reads the whole section (no -q): stopping at the first match would leave awk
    # writing into a closed pipe, which pipefail takes for a failure.
    for command in $(awk '/^Commands:/ {f = 1; next} /^$/ {f = 0} f && /^  [a-z]/ {print $1}' <<<"$help"); do
        section COMMANDS <<<"$manual" | grep -E "^ +$command( |\$)" >/dev/null || fail "hygrolux-cli(1) lacks the command $command"
    done
    for option in $(awk '/^Options:/ {f = 1; next} /^$/ {f = 0} f' <<<"$help" | grep -oE -- '^ +(-[a-z], )?--[a-z-]+' |
        grep -oE -- '--[a-z-]+$'); do
        grep -qF -- "$option" <<<"$manual" || fail "hygrolux-cli(1) lacks the option $option"
    done
    for code in $(awk '/^Exit codes:/ {f = 1; next} f && /^  [0-9]/ {print $1}' <<<"$help"); do
        section "EXIT STATUS" <<<"$manual" | grep -E "^ +$code\$" >/dev/null || fail "hygrolux-cli(1) lacks the exit code $code"
    done
else
    echo "man is not installed: the manual pages are not rendered."
fi

if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --display-info "$deb" || fail "lintian finds errors or warnings"
else
    echo "lintian is not installed: the package is not checked against Debian's policy."
fi

[[ $failures -eq 0 ]] && echo "The package $(basename "$deb") passed."
exit $((failures > 0))
