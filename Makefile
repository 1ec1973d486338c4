# Wraps CMake: installs what the build needs, builds, runs the tool and its tests.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake make g++ qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev \
            libqt6svg6 qt6-qpa-plugins lintian appstream ser2net xvfb xauth imagemagick
SIM ?= velmar:industrial
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build run test bench bench-station package install format clean \
        fuzz check-sanitize soak windows-deps windows-qt windows windows-test screenshots

all: build

# Installs the Debian/Ubuntu packages that are missing, as root or through sudo.
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing >/dev/null; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts the tool on its built-in simulated device; with no display, runs the same job headless.
run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found: programming examples/sample.dat into the simulated device from the command line instead."; \
	  if [ -x $(BUILD)/src/cli/zvticket-cli ]; then \
	    $(BUILD)/src/cli/zvticket-cli program examples/sample.dat --simulate $(firstword $(subst :, ,$(SIM))) --verify; \
	  fi; \
	else \
	  $(BUILD)/src/app/zvticket --simulate $(SIM) --emulate-line; \
	fi

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@if [ -x $(BUILD)/bench/zvticket-bench ]; then $(BUILD)/bench/zvticket-bench; \
	else echo "no benchmark built"; fi
	@if [ -x $(BUILD)/bench/zvticket-windowbench ]; then $(BUILD)/bench/zvticket-windowbench; fi
	@if [ -x $(BUILD)/bench/zvticket-paperbench ]; then \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/bench/zvticket-paperbench; fi

# The production station against sixteen replugging devices: several minutes, so not in bench.
bench-station: build
	@if [ -x $(BUILD)/bench/zvticket-bench ]; then $(BUILD)/bench/zvticket-bench station --detail; \
	else echo "no benchmark built"; fi

# Builds the .deb, validates its AppStream metainfo against the files the package installs, and
# fails when lintian reports an error or a warning about it (informational and pedantic tags are
# shown too).
package: build
	cd $(BUILD) && cpack -G DEB
	@deb=$$(ls -t $(BUILD)/zvticket_*.deb | head -n 1); \
	tree=$$(mktemp -d) && dpkg-deb -x "$$deb" "$$tree" && \
	echo "appstreamcli validate-tree $$deb" && \
	appstreamcli validate-tree --no-net "$$tree"; status=$$?; rm -rf "$$tree"; \
	[ $$status -eq 0 ] || exit $$status; \
	echo "lintian $$deb"; \
	lintian --pedantic --display-info --fail-on error,warning "$$deb"

install: build
	cmake --install $(BUILD)

# The README's pictures of the window, taken under Xvfb on the simulated device.
SCREENSHOTS ?= doc/screenshots
screenshots: build
	tools/screenshots/make-screenshots $(BUILD) $(SCREENSHOTS)

# --- Windows, cross-built here and tested under wine ------------------------------------------
# Qt for Windows is built once into QT_WIN_PREFIX (outside the checkout) from the archives in
# QT_SOURCES; see packaging/windows/.
export QT_SOURCES ?= $(CURDIR)/../shared/third_party/qt-6.4.2
export QT_WIN_PREFIX ?= $(HOME)/.cache/zvticket/qt-6.4.2-mingw64
export BUILD_WIN ?= build-win

windows-deps:
	packaging/windows/deps.sh

windows-qt: windows-deps
	packaging/windows/build-qt.sh

# The three programs for Windows, packed into dist/zvticket-<version>-win64.zip and an installer.
windows: windows-qt
	JOBS=2 packaging/windows/build.sh

# The Windows build under wine, against the Linux build's results.
windows-test: windows build
	packaging/windows/test.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)

# The fuzz targets under clang's libFuzzer, each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz: PACKAGES += clang libclang-rt-dev
fuzz: deps
	@[ -f $(FUZZ_BUILD)/CMakeCache.txt ] || CXX=clang++ cmake -S . -B $(FUZZ_BUILD) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON $(LAUNCHER)
	cmake --build $(FUZZ_BUILD) --target zv_fuzzers -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run-fuzzers $(FUZZ_BUILD)

# Every test built with the address and undefined-behaviour sanitizers; any finding fails.
ASAN_BUILD ?= build-asan
SANITIZE := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

check-sanitize: deps
	@[ -f $(ASAN_BUILD)/CMakeCache.txt ] || cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-O1 $(SANITIZE)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" $(LAUNCHER)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS)

# The fault soak with SOAK_RUNS runs from a new first seed each time (SOAK_FIRST_SEED to choose
# it, SOAK_SEED to replay one run).
SOAK_RUNS ?= 200
SOAK_FIRST_SEED ?= $(shell date +%s)

soak: configure
	cmake --build $(BUILD) --target tst_faultsoak -j $(JOBS)
	SOAK_RUNS=$(SOAK_RUNS) SOAK_FIRST_SEED=$(SOAK_FIRST_SEED) QTEST_FUNCTION_TIMEOUT=86400000 \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/tests/tst_faultsoak -silent
