#!/bin/sh
# Builds the Debian package, checks its file list and dependencies, unpacks it
# into a temporary root and runs the unpacked programs with HOME in a
# temporary folder. usage: package.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp/out" >/dev/null) || fail "cpack failed"
deb=$(ls "$tmp"/out/morvane_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/list"
for f in /usr/bin/morvane /usr/bin/morvane-cli /usr/share/morvane/png/english/main.png \
         /usr/lib/udev/rules.d/70-morvane.rules /usr/share/applications/org.morvane.Morvane.desktop \
         /usr/share/icons/hicolor/scalable/apps/morvane.svg /usr/share/icons/hicolor/256x256/apps/morvane.png \
         /usr/share/metainfo/org.morvane.Morvane.metainfo.xml /usr/share/man/man1/morvane.1 \
         /usr/share/man/man1/morvane-cli.1 /usr/share/bash-completion/completions/morvane-cli; do
    grep -qx "$f" "$tmp/list" || fail "$f is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libhidapi-hidraw0 libudev1 libqt6widgets6; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done

dpkg-deb -x "$deb" "$tmp/root"
mkdir "$tmp/home"
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$tmp/home" "$tmp/root/usr/bin/morvane-cli" --device none show \
    >/dev/null || fail "the unpacked morvane-cli failed"
[ -f "$tmp/home/.local/share/Morvane/keymap.bin" ] || fail "keymap.bin is not in HOME/.local/share/Morvane"
[ -d "$tmp/home/.local/share/Morvane/Configure" ] || fail "no Configure folder in HOME/.local/share/Morvane"
"$(dirname "$0")/run_window.sh" "$tmp/root/usr/bin/morvane" "$tmp/home" || fail "the unpacked window"
echo "package test: ok ($(basename "$deb"))"
