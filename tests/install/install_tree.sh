#!/bin/sh
# Installs the build into a temporary prefix and runs the installed programs as
# a new user would: the user's files must land in HOME's XDG data folder and the
# window must find its skins in <prefix>/share/morvane.
# usage: install_tree.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
p=$tmp/prefix
for f in bin/morvane bin/morvane-cli share/morvane/png/english/main.png share/morvane/png/chinese/main.png \
         share/morvane/png/bitmaps/154.png lib/udev/rules.d/70-morvane.rules \
         share/applications/org.morvane.Morvane.desktop share/metainfo/org.morvane.Morvane.metainfo.xml \
         share/icons/hicolor/scalable/apps/morvane.svg share/icons/hicolor/48x48/apps/morvane.png \
         share/man/man1/morvane.1.gz share/man/man1/morvane-cli.1.gz share/bash-completion/completions/morvane-cli \
         share/gnome-shell/extensions/morvane@morvane.org/extension.js; do
    [ -f "$p/$f" ] || fail "$f is not installed"
done
[ ! -e "$p/bin/morvane-build-tree" ] || fail "the build tree's marker was installed"
[ ! -e "$p/share/morvane/png/icons" ] || fail "the desktop icons were installed among the skins"

# What the desktop reads must pass its own checkers.
appstreamcli validate --no-net "$p/share/metainfo/org.morvane.Morvane.metainfo.xml" >/dev/null \
    || fail "appstreamcli validate rejects the metainfo"
desktop-file-validate "$p/share/applications/org.morvane.Morvane.desktop" || fail "the .desktop file is not valid"
ext=$p/share/gnome-shell/extensions/morvane@morvane.org
python3 -c 'import json,sys; m=json.load(open(sys.argv[1])); sys.exit(m["uuid"] != "morvane@morvane.org" or not m["shell-version"])' \
    "$ext/metadata.json" || fail "the GNOME Shell extension's metadata.json is not what GNOME Shell reads"
for m in morvane morvane-cli; do
    warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$p/share/man/man1/$m.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $m.1: $warnings"
done

# The installed tree must work wherever it is: move it.
mv "$p" "$tmp/moved"
p=$tmp/moved
mkdir "$tmp/home"
run() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$tmp/home" "$@"; }
run "$p/bin/morvane-cli" --device none show >/dev/null || fail "morvane-cli show failed"
run "$p/bin/morvane-cli" --device none profile new >/dev/null || fail "morvane-cli profile new failed"
user=$tmp/home/.local/share/Morvane
[ "$(stat -c %s "$user/keymap.bin")" = 201424 ] || fail "keymap.bin is not in $user"
[ "$(stat -c %s "$user/MacroDefine.bin")" = 7680 ] || fail "MacroDefine.bin is not in $user"
[ -f "$user/Configure/Profile_1.bin" ] || fail "the profile is not in $user/Configure"
[ -z "$(find "$p" -name '*.bin')" ] || fail "data was written into the install"
run "$p/bin/morvane-cli" --help | grep -q "profile list" || fail "morvane-cli --help"
[ "$(run "$p/bin/morvane-cli" --complete set effect Wa)" = Wave ] || fail "completion"
"$(dirname "$0")/run_window.sh" "$p/bin/morvane" "$tmp/home" || fail "the installed window"
echo "install test: ok"
