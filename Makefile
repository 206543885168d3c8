# SPDX-License-Identifier: MIT
# Two entry points for a fresh Debian machine: `make run` and `make test`.
# Both install what is missing, configure, build, and then run.

DEBIAN_PACKAGES := build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev librapidcheck-dev \
                   libhidapi-dev libudev-dev libxcb1-dev xvfb \
                   qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev fonts-liberation2 fonts-wqy-microhei \
                   clang libclang-rt-14-dev dpkg-dev file appstream desktop-file-utils man-db \
                   lintian rpm rpmlint zsh fish \
                   libwayland-dev sway foot grim \
                   libsystemd-dev dbus-daemon kwin-wayland gnome-shell qt6-wayland \
                   g++-mingw-w64-x86-64-posix wine64 wine xauth x11-utils imagemagick unzip nsis
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS := $(shell nproc 2>/dev/null || echo 2)
WERROR := $(if $(CI),ON,OFF)
SIM_STATE ?= build/sim-keyboard.bin

# The Windows build (mingw-w64, run under Wine): GoogleTest built for Windows
# from Debian's source, and Qt for Windows from QT_WINDOWS_PREFIX, else the
# prebuilt archive beside the project, else built by tools/build-qt-windows.sh.
WINDOWS_TOOLCHAIN := $(CURDIR)/cmake/mingw-w64-x86_64.cmake
WINDOWS_GTEST := $(CURDIR)/build-windows-gtest/prefix
QT_WINDOWS_ARCHIVE ?= $(CURDIR)/../shared/qt6-mingw-6.4.2-shared.tar.xz

FUZZ_SECONDS ?= 15
FUZZ_TARGETS := fuzz_keymap_store fuzz_macro_store fuzz_profiles fuzz_settings fuzz_sim_keyboard \
                fuzz_device_replies fuzz_cli fuzz_handoff
# What bounds each target's run: CI's 15 s, or `make fuzz-long`'s executions.
FUZZ_LIMIT ?= -max_total_time=$(FUZZ_SECONDS)
FUZZ_RUNS ?= 10000000

.PHONY: windows windows-test run test deps build build-asan build-fuzz fuzz fuzz-long test-asan bench package clean soak

deps:
	@missing=""; for p in $(DEBIAN_PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WERROR=$(WERROR)
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMORVANE_SANITIZE=ON -DMORVANE_WERROR=$(WERROR)
	cmake --build build-asan -j $(JOBS)

# libFuzzer targets under ASan+UBSan, built with clang in a tree of their own.
build-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_GUI=OFF \
	  -DMORVANE_BENCH=OFF -DMORVANE_SANITIZE=ON -DMORVANE_FUZZ=ON -DMORVANE_WERROR=$(WERROR)
	cmake --build build-fuzz -j $(JOBS) --target fuzz morvane-cli

# Each target for FUZZ_SECONDS from the seeds in fuzz/corpus; what it finds
# new stays in build-fuzz/corpus, a finding fails the run.
fuzz: build-fuzz
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t build-fuzz/findings; \
	  echo "fuzzing $$t ($(FUZZ_LIMIT))"; \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 build-fuzz/$$t $(FUZZ_LIMIT) \
	    -print_final_stats=1 -artifact_prefix=build-fuzz/findings/$$t- build-fuzz/corpus/$$t fuzz/corpus/$$t \
	    2> build-fuzz/$$t.log || { tail -40 build-fuzz/$$t.log; exit 1; }; \
	  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' build-fuzz/$$t.log; \
	done

# Each target for FUZZ_RUNS executions (10 million), for a run nobody waits on.
fuzz-long:
	$(MAKE) fuzz FUZZ_LIMIT=-runs=$(FUZZ_RUNS)

$(WINDOWS_GTEST)/lib/cmake/GTest/GTestConfig.cmake:
	cmake -S /usr/src/googletest -B build-windows-gtest/build -DCMAKE_TOOLCHAIN_FILE=$(WINDOWS_TOOLCHAIN) \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(WINDOWS_GTEST)
	cmake --build build-windows-gtest/build -j $(JOBS)
	cmake --install build-windows-gtest/build

# morvane-cli.exe, morvane.exe (where Qt for Windows is at hand, with the
# skin pictures the Linux build draws) and the tests, in build-windows/.
windows: deps $(WINDOWS_GTEST)/lib/cmake/GTest/GTestConfig.cmake
	@qt=$$(sh tools/windows/qt_prefix.sh "$(QT_WINDOWS_PREFIX)" "$(QT_WINDOWS_ARCHIVE)" build-windows-qt) || exit 1; \
	echo "Qt for Windows: $${qt:-none, so no morvane.exe}"; \
	if [ -n "$$qt" ]; then \
	  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WERROR=$(WERROR) && \
	  cmake --build build -j $(JOBS) --target skin || exit 1; \
	fi; \
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=$(WINDOWS_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release \
	  -DMORVANE_WINDOWS_PREFIXES="$(WINDOWS_GTEST);$$qt" -DMORVANE_GUI=$$([ -n "$$qt" ] && echo ON || echo OFF) \
	  -DMORVANE_SKIN_FROM=$(CURDIR)/build/png -DMORVANE_BENCH=OFF -DMORVANE_WERROR=$(WERROR)
	cmake --build build-windows -j $(JOBS)

# The Windows tests under Wine, and the Windows morvane-cli against the Linux one.
windows-test: windows build
	sh tests/windows/run_under_wine.sh build-windows build

# The build tree keeps one folder, build/, with the profiles in build/Configure.
run: build
	mkdir -p build/Configure
	build/morvane --folder build --device sim:$(SIM_STATE)

# The Debian and RPM packages, build/morvane_VERSION_ARCH.deb (install it with
# apt) and build/morvane-VERSION-1.ARCH.rpm, stripped.
package: build
	cd build && cpack -G "DEB;RPM"

test: build build-asan
	QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 \
	  QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j $(JOBS) -L 'model|gui'
	$(MAKE) fuzz
	$(MAKE) windows-test

# Random sequences of every session operation, each with a new random seed,
# for SOAK_SECONDS; the seed of each run is printed, a failure stops with its
# shrunk sequence (run it again with RC_PARAMS="seed=N").
SOAK_SECONDS ?= 600
soak: build
	@end=$$(( $$(date +%s) + $(SOAK_SECONDS) )); runs=0; \
	while [ $$(date +%s) -lt $$end ]; do \
	  seed=$$(od -An -N4 -tu4 /dev/urandom | tr -d ' '); echo "soak seed $$seed"; \
	  RC_PARAMS="seed=$$seed max_success=2000 max_size=50" build/morvane_sequence_tests --gtest_brief=1 || exit 1; \
	  runs=$$((runs + 2000)); \
	done; echo "soak: $$runs sequences, no failure"

bench: build
	build/morvane_bench
	build/morvane_sequence_bench
	QT_QPA_PLATFORM=offscreen build/morvane_gui_bench
	build/morvane_desktop_bench

clean:
	rm -rf build build-asan build-fuzz build-windows build-windows-gtest build-windows-qt
