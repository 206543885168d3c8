#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds Qt 6.4.2's qtbase for 64-bit Windows (Core, Gui, Widgets, Network,
# Test; shared libraries, so the package ships Qt as replaceable DLLs) from
# Debian's own qt6-base source with mingw-w64, into PREFIX. About 30-45
# minutes on two cores; the build tree takes about 3 GB (removed at the end).
# The host tools (moc, rcc, uic) are Debian's Qt of the same version.
# usage: build-qt-windows.sh PREFIX
set -eu
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
version=6.4.2+dfsg-10
sudo=$([ "$(id -u)" -eq 0 ] || echo sudo)

$sudo apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix ninja-build cmake dpkg-dev \
  qt6-base-dev qt6-base-dev-tools
# The source package needs a deb-src entry for the release the machine runs.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | $sudo tee /etc/apt/sources.list.d/morvane-deb-src.sources > /dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo tee /etc/apt/sources.list.d/morvane-deb-src.list > /dev/null
  fi
  $sudo apt-get update
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/qt-windows.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get source --download-only "qt6-base=$version"
dpkg-source --no-check -x qt6-base_*.dsc src
# Debian's security fixes; its other patches concern its own build and other architectures.
for p in cve-2023-24607.patch cve-2023-32762.diff cve-2023-32763.diff cve-2023-33285.diff; do
  patch -d src -p1 < "src/debian/patches/$p"
done
# The toolchain file goes with the prefix, and Qt's own toolchain file names it
# relative to itself, so the prefix can be moved.
cat > "$prefix/mingw-toolchain.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
cmake -GNinja -S src -B build -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_tabletevent=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_doubleconversion=OFF
ninja -C build -j "$(nproc)"
cmake --install build
sed -i 's|set(__qt_initially_configured_toolchain_file "[^"]*")|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/../../../mingw-toolchain.cmake")|' \
  "$prefix/lib/cmake/Qt6/qt.toolchain.cmake"
mkdir -p "$prefix/LICENSES" && cp -r src/LICENSES/. "$prefix/LICENSES/"
echo "Qt for Windows in $prefix"
