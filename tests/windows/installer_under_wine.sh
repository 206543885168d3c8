#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the NSIS installer, runs it silently under Wine, and checks what a
# user gets: the programs under Program Files, the two registry keys,
# and an installed morvane-cli that stores the
# current profile's name in them; then the uninstaller takes the programs away.
# usage: installer_under_wine.sh WINDOWS_BUILD
set -eu
win_build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

(cd "$win_build" && cpack -G NSIS > "$work/cpack-nsis.out" 2>&1) || { tail -20 "$work/cpack-nsis.out"; exit 1; }
installer=$(ls "$win_build"/morvane-*-windows-x64.exe)
timeout 300 "$WINE" "$installer" /S
folder="$WINEPREFIX/drive_c/Program Files/Morvane"
for f in morvane.exe morvane-cli.exe Qt6Widgets.dll platforms/qwindows.dll png/english/main.png Uninstall.exe; do
  [ -f "$folder/$f" ] || { echo "installer: $f is not under Program Files"; exit 1; }
done
query() { timeout 60 "$WINE" reg query "$1" 2>/dev/null | tr -d '\r'; }
query 'HKCU\Software\QX915' | grep -q QX915 || { echo "installer: no key Software\\QX915"; exit 1; }
mkdir -p "$work/user/Configure"
timeout 60 "$WINE" 'C:\Program Files\Morvane\morvane-cli.exe' --folder "$(winpath "$work/user")" \
  --device "sim:$(winpath "$work/keyboard.bin")" profile list > "$work/profiles.out" 2>&1 ||
  { echo "installer: the installed morvane-cli failed"; cat "$work/profiles.out"; exit 1; }
query 'HKCU\Software\QX703' | grep -q 'CurrentProfileName.*Profile_1.bin' ||
  { echo "installer: the installed morvane-cli did not store the current profile"; cat "$work/profiles.out"; exit 1; }
timeout 300 "$WINE" "$folder/Uninstall.exe" /S
for _ in $(seq 1 100); do [ -f "$folder/morvane.exe" ] || break; sleep 0.1; done
[ ! -f "$folder/morvane.exe" ] || { echo "installer: the uninstaller left morvane.exe"; exit 1; }
echo "installer under Wine: installs, makes the registry keys, uninstalls: 1 passed, 0 failed"
