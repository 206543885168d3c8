#!/bin/sh
# SPDX-License-Identifier: MIT
# The Windows morvane-cli under Wine and the Linux one, each on a folder and a
# simulated keyboard of its own, run the same chains: what they print, their
# exit status, the transfer log and every file they leave must be the same,
# byte for byte. Sourced environment: wine_env.sh (WINE, work, winpath).
# usage: cli_both_ways.sh WINDOWS_CLI LINUX_CLI
set -eu
win_cli=$1 linux_cli=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

# One chain per line, "+" between its commands, run in order on the same
# folder and keyboard, so later chains start from what earlier ones left.
chains='show
set effect Wave + set speed 2 + set brightness 3 + set game-mode on + save + show
assign 10 single 0x41 + assign 11 combo Ctrl 0x43 + assign 12 function Select + save
macro new + macro set-events 0 dn:0x41@10 up:0x41@20 dn:MsLB@5 up:MsLB + macro loops 0 3 + save + macro rows 0
assign 20 macro 0 + diy 2 5 on + set effect DIY3 + save + show --json
profile new + profile copy Profile_1 + profile list + profile apply Profile_1 + save
sim-event 04 02 00 41 + show
set effect Horse + cancel + show
sim-unplug + sim-plug + show
reset + show
set speed 9
assign 400 single 0x41'

run_both() {
  n=0 failed=0
  mkdir -p "$work/linux" "$work/windows"
  echo "$chains" | while IFS= read -r chain; do
    n=$((n + 1))
    # shellcheck disable=SC2086 # the chain's words are meant to split
    set -- $chain
    lst=0; "$linux_cli" --folder "$work/linux" --device "sim:$work/linux/keyboard.bin" --log "$work/linux/log.txt" \
      "$@" > "$work/linux.out" 2> "$work/linux.err" || lst=$?
    wst=0; timeout 120 "$WINE" "$win_cli" --folder "$(winpath "$work/windows")" \
      --device "sim:$(winpath "$work/windows/keyboard.bin")" --log "$(winpath "$work/windows/log.txt")" \
      "$@" > "$work/windows.out" 2> "$work/windows.err" || wst=$?
    # Wine may hand a console program's lines over with CR LF.
    tr -d '\r' < "$work/windows.out" > "$work/windows.txt"
    if [ "$lst" != "$wst" ]; then echo "chain $n ($chain): exit $lst on Linux, $wst on Windows"; exit 1; fi
    if ! cmp -s "$work/linux.out" "$work/windows.txt"; then
      echo "chain $n ($chain): the output differs"; diff "$work/linux.out" "$work/windows.txt" | head -20; exit 1
    fi
  done
}

# The checksum of every kept configuration, in name order (names hold blanks).
backups() {
  (cd "$1" && find Backups -type f 2>/dev/null | sort | while IFS= read -r f; do cksum < "$f"; done)
}

compare_files() {
  (cd "$work/linux" && find . -type f ! -name '*.lock' ! -path './Backups/*' | sort) > "$work/linux.files"
  (cd "$work/windows" && find . -type f ! -name '*.lock' ! -path './Backups/*' | sort) > "$work/windows.files"
  if ! cmp -s "$work/linux.files" "$work/windows.files"; then
    echo "the two left other files:"; diff "$work/linux.files" "$work/windows.files"; return 1
  fi
  while IFS= read -r f; do
    if ! cmp -s "$work/linux/$f" "$work/windows/$f"; then
      echo "$f differs"; [ "$f" = ./log.txt ] && diff "$work/linux/$f" "$work/windows/$f" | head -10; return 1
    fi
  done < "$work/linux.files"
  # The restore points are named by the time of their Save: counted, and compared by content.
  lb=$(backups "$work/linux")
  wb=$(backups "$work/windows")
  [ "$lb" = "$wb" ] || { echo "the keyboard backups differ"; return 1; }
}

if run_both && compare_files; then
  echo "cli both ways: $(echo "$chains" | wc -l) chains, $(wc -l < "$work/linux/log.txt") transfers alike: 1 passed, 0 failed"
else
  echo "cli both ways: 0 passed, 1 failed"
  exit 1
fi
