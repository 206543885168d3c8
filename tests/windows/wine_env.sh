# SPDX-License-Identifier: MIT
# Sourced by the Windows tests: a fresh Wine prefix in a temporary folder,
# removed with its Wine server on exit; WINE the loader; `winpath` turns a
# Linux path into the one a Windows program sees (drive Z: is /). A script
# started by one that has the prefix already shares it.
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || { echo "no wine64: install the Debian package wine64"; exit 1; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
if [ -n "${MORVANE_WINE_WORK:-}" ]; then
  work=$(mktemp -d "$MORVANE_WINE_WORK/run.XXXXXX")
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-wine.XXXXXX")
  export MORVANE_WINE_WORK="$work"
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Console programs need no display; a window program is given Xvfb's.
  [ -n "${MORVANE_WINE_DISPLAY:-}" ] || unset DISPLAY
  wine_cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
  }
  trap wine_cleanup EXIT
  # The prefix is made once, bounded: the first start of Wine builds it.
  timeout 180 "$WINE" cmd.exe /c exit > "$work/wineboot.out" 2>&1 || true
fi
