# SPDX-License-Identifier: MIT
# Cross-building for 64-bit Windows on Debian with mingw-w64 (posix threads,
# so std::thread and std::mutex work): `make windows`, or
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
# MORVANE_WINDOWS_PREFIXES: more prefixes of Windows libraries (GoogleTest
# built for Windows, Qt for Windows), searched like the system's own.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${MORVANE_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# Libraries and headers of the target only, plus whatever prefixes the build
# adds (GoogleTest built for Windows, Qt for Windows).
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs run from any folder with only the DLLs shipped beside them:
# the compiler's runtime and the threads library are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Under Wine, for the tests and for trying the programs out.
find_program(MORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(MORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MORVANE_WINE})
endif()
# Qt for Windows takes its build tools (moc, rcc, uic) from Debian's own Qt of
# the same version.
set(QT_HOST_PATH /usr CACHE PATH "Qt's build tools for this machine")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Their CMake files")
