#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the Windows build's tests under Wine, then the Windows morvane-cli
# against the Linux one on the same chains (tests/windows/cli_both_ways.sh).
# Wine's console output of a cross-built runner can come back empty, so the
# results go to an XML file that is read here. Each run is bounded in time.
# usage: run_under_wine.sh WINDOWS_BUILD LINUX_BUILD
set -eu
win_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

# run_tests NAME.exe: runs a GoogleTest program, reads its XML results.
run_tests() {
  results="$work/$1.xml"
  echo "$1 under Wine"
  status=0
  timeout 600 "$WINE" "$win_build/$1" --gtest_output="xml:$(winpath "$results")" > "$work/$1.out" 2>&1 || status=$?
  if [ ! -s "$results" ]; then
    echo "$1 wrote no results (exit $status)"; tail -20 "$work/$1.out"; exit 1
  fi
  tests=$(sed -n 's/^<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\1/p' "$results")
  failures=$(sed -n 's/^<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)".*/\2/p' "$results")
  errors=$(sed -n 's/^<testsuites .* errors="\([0-9]*\)".*/\1/p' "$results")
  failed=$((failures + errors))
  # Each failed case by name.
  grep -B1 '<failure' "$results" | sed -n 's/.*<testcase name="\([^"]*\)".*classname="\([^"]*\)".*/FAILED: \2.\1/p' || true
  echo "Windows tests ($1): $((tests - failed)) passed, $failed failed"
  [ "$failed" -eq 0 ] && [ "$status" -eq 0 ] || exit 1
}

run_tests morvane_tests.exe
[ ! -x "$win_build/morvane_view_tests.exe" ] || run_tests morvane_view_tests.exe

sh "$here/cli_both_ways.sh" "$win_build/morvane-cli.exe" "$linux_build/morvane-cli"

# The window, where Qt for Windows was at hand, started from the unpacked zip
# (so the package holds all it needs), in a prefix of its own whose Wine
# knows the display from its start.
if [ -x "$win_build/morvane.exe" ]; then
  (cd "$win_build" && cpack -G ZIP > "$work/cpack.out" 2>&1) || { tail -20 "$work/cpack.out"; exit 1; }
  mkdir -p "$work/unpacked"
  unzip -q "$win_build"/morvane-*-windows-x64.zip -d "$work/unpacked"
  env -u MORVANE_WINE_WORK -u WINEPREFIX xvfb-run -a -s "-screen 0 1280x800x24" \
    sh "$here/window_under_wine.sh" "$(echo "$work"/unpacked/morvane-*-windows-x64)" "$win_build/window-under-wine.png"
fi

# The installer, where NSIS is at hand and the window was built.
if [ -x "$win_build/morvane.exe" ] && command -v makensis > /dev/null; then
  sh "$here/installer_under_wine.sh" "$win_build"
fi
