#!/bin/sh
# SPDX-License-Identifier: MIT
# Prints the prefix of Qt 6 for Windows (mingw-w64) to build morvane.exe with:
# the one given, else the prebuilt archive unpacked into UNPACK_DIR, else one
# built from Debian's source by tools/build-qt-windows.sh into UNPACK_DIR.
# Prints nothing when none can be had; tells why on stderr.
# usage: qt_prefix.sh GIVEN_PREFIX ARCHIVE UNPACK_DIR
set -eu
given=$1 archive=$2 unpack=$3
has_qt() { [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ]; }

if [ -n "$given" ]; then
  if has_qt "$given"; then echo "$given"; exit 0; fi
  echo "QT_WINDOWS_PREFIX=$given holds no Qt 6 (no lib/cmake/Qt6)" >&2
  exit 1
fi
mkdir -p "$unpack"
unpack=$(cd "$unpack" && pwd)
if has_qt "$unpack/qt6-mingw-6.4.2-shared"; then echo "$unpack/qt6-mingw-6.4.2-shared"; exit 0; fi
if [ -f "$archive" ]; then
  echo "unpacking $archive" >&2
  tar -xJf "$archive" -C "$unpack"
  if has_qt "$unpack/qt6-mingw-6.4.2-shared"; then echo "$unpack/qt6-mingw-6.4.2-shared"; exit 0; fi
  echo "$archive holds no qt6-mingw-6.4.2-shared/lib/cmake/Qt6" >&2
  exit 1
fi
if has_qt "$unpack/built"; then echo "$unpack/built"; exit 0; fi
echo "no Qt for Windows at hand: building it (30-45 minutes on two cores)" >&2
sh "$(dirname "$0")/../build-qt-windows.sh" "$unpack/built" >&2 || { echo "building Qt for Windows failed" >&2; exit 1; }
echo "$unpack/built"
