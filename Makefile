# Wraps CMake: installs what the build needs, builds, runs the tool and its tests.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake make g++ qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev \
            libqt6svg6 qt6-qpa-plugins lintian ser2net
SIM ?= velmar:industrial

.PHONY: all deps configure build run test bench package install format clean \
        windows-deps windows-qt windows windows-test

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
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

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

# Builds the .deb and fails when lintian reports an error or a warning about it.
package: build
	cd $(BUILD) && cpack -G DEB
	@deb=$$(ls -t $(BUILD)/zvticket_*.deb | head -n 1); \
	echo "lintian $$deb"; \
	lintian --fail-on error,warning "$$deb"

install: build
	cmake --install $(BUILD)

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
