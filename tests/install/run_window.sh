#!/bin/sh
# Starts an installed window offscreen for a moment and checks that it found its
# skins and started. usage: run_window.sh MORVANE HOME
set -u
exe=$1
home=$2
err=$home/window-stderr.txt
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
    timeout 4 "$exe" --device none --no-splash --instance "install-test-$$" >/dev/null 2>"$err"
status=$?
# 124: still running when stopped, as it should be.
[ $status -eq 124 ] || { echo "the window ended with $status: $(cat "$err")" >&2; exit 1; }
if grep -q "skin pictures are missing" "$err"; then cat "$err" >&2; exit 1; fi
exit 0
