# Two entry points for a fresh Debian machine: `make run` and `make test`.
# Both install what is missing, configure, build, and then run.

DEBIAN_PACKAGES := build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                   libhidapi-dev libudev-dev \
                   qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev fonts-liberation2 fonts-wqy-microhei \
                   dpkg-dev file appstream desktop-file-utils man-db
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS := $(shell nproc 2>/dev/null || echo 2)
WERROR := $(if $(CI),ON,OFF)
SIM_STATE ?= build/sim-keyboard.bin

.PHONY: run test deps build build-asan test-asan bench package clean

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
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMORVANE_SANITIZE=ON -DMORVANE_GUI=OFF -DMORVANE_WERROR=$(WERROR)
	cmake --build build-asan -j $(JOBS) --target morvane_tests morvane-cli

# The build tree keeps one folder, build/, with the profiles in build/Configure.
run: build
	mkdir -p build/Configure
	build/morvane --folder build --device sim:$(SIM_STATE)

# The Debian package, build/morvane_VERSION_ARCH.deb (install it with apt).
package: build
	cd build && cpack -G DEB

test: build build-asan
	QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS) -L model

bench: build
	build/morvane_bench
	QT_QPA_PLATFORM=offscreen build/morvane_gui_bench

clean:
	rm -rf build build-asan
