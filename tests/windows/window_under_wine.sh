#!/bin/sh
# SPDX-License-Identifier: MIT
# Starts morvane.exe under Wine on the X server of DISPLAY (Xvfb) with a
# simulated keyboard, times its start until its main window is mapped, and
# takes a screenshot of the screen for a person to look at.
# usage: window_under_wine.sh WINDOWS_BUILD SCREENSHOT.png
set -eu
win_build=$(cd "$1" && pwd)
shot=$2
here=$(cd "$(dirname "$0")" && pwd)
MORVANE_WINE_DISPLAY=1
. "$here/wine_env.sh"
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under xvfb-run"; exit 1; }
[ -x "$win_build/morvane.exe" ] || { echo "no morvane.exe in $win_build"; exit 1; }

mkdir -p "$work/user"
start=$(date +%s%N)
"$WINE" "$win_build/morvane.exe" --no-splash --folder "$(winpath "$work/user")" \
  --device "sim:$(winpath "$work/user/keyboard.bin")" > "$work/window.out" 2>&1 &
shown=""
for _ in $(seq 1 1200); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Morvane"'; then shown=$(date +%s%N); break; fi
  sleep 0.05
done
if [ -z "$shown" ]; then
  echo "morvane.exe showed no window within 60 s"; tail -20 "$work/window.out"; exit 1
fi
echo "morvane.exe under Wine: main window after $(( (shown - start) / 1000000 )) ms"
sleep 3  # its first paint and the keyboard's reads
import -window root "$shot"
# A window that drew nothing leaves the screen one colour.
colours=$(convert "$shot" -format '%k' info:)
echo "screenshot: $shot ($colours colours)"
[ "$colours" -gt 16 ] || { echo "the screen is all but empty"; exit 1; }
