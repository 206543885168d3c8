#!/bin/sh
# SPDX-License-Identifier: MIT
# The Windows morvane-cli under Wine against the Linux one on the same chains,
# on the simulated keyboard's virtual clock (its pauses cost no time): `show`,
# and a Save that writes every group. Each figure is the median wall time of
# RUNS runs, each a fresh process on a fresh folder and keyboard.
# usage: windows_cli_under_wine.sh WINDOWS_CLI LINUX_CLI [RUNS]
set -eu
win_cli=$1 linux_cli=$2 runs=${3:-9}
here=$(cd "$(dirname "$0")/../tests/windows" && pwd)
. "$here/wine_env.sh"

every_group='set effect Wave + set direction 1 + set speed 1 + set brightness 2 + set game-mode on + set win-lock on
 + set response-time 3 + set report-rate 1 + diy 1 42 on + assign 42 single 0x41 + assign 43 none --disable
 + macro new + macro set-events 0 dn:0x41@10 up:0x41@20 + assign 44 macro 0 + save'

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# time_chain SYSTEM CHAIN: prints the median in ms.
time_chain() {
  system=$1; shift
  i=0
  while [ $i -lt "$runs" ]; do
    i=$((i + 1))
    dir="$work/$system-$i-$$"
    mkdir -p "$dir"
    start=$(now_ms)
    # shellcheck disable=SC2086 # the chain's words are meant to split
    if [ "$system" = linux ]; then
      "$linux_cli" --folder "$dir" --device "sim:$dir/kb.bin" $* > /dev/null || { echo "failed: $*" >&2; exit 1; }
    else
      "$WINE" "$win_cli" --folder "$(winpath "$dir")" --device "sim:$(winpath "$dir/kb.bin")" $* > /dev/null ||
        { echo "failed under Wine: $*" >&2; exit 1; }
    fi
    echo $(( $(now_ms) - start ))
    rm -rf "$dir"
  done | median
}

for name in show save-every-group; do
  chain=show
  [ "$name" = save-every-group ] && chain=$(echo "$every_group" | tr '\n' ' ')
  linux=$(time_chain linux "$chain")
  windows=$(time_chain windows "$chain")
  ratio=$(awk -v w="$windows" -v l="$linux" 'BEGIN { printf "%.1f", (l > 0 ? w / l : 0) }')
  echo "$name: Linux $linux ms, Windows under Wine $windows ms (x$ratio), median of $runs"
done
