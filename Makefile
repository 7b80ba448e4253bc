# Entry points: `make demo`, `make test` (SANITIZE=1 for ASan/UBSan; the Windows
# build's tests under Wine too; `make test-full` without sampling), `make windows`, `make windows-zip`, `make bench`,
# `make fuzz`, `make screenshots`, `make package`, `make format`. Each one installs what is missing first.
SANITIZE ?= 0
FUZZ_SECONDS ?= 60
# The build installs where Debian's packages do, so that the paths it writes
# into installed files (the polkit action's program) match the package's.
PREFIX ?= /usr

ifeq ($(SANITIZE),1)
BUILD ?= build-sanitize
CMAKE_FLAGS += -DZT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD ?= build
CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif
CMAKE_FLAGS += -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DZT_WERROR=ON
# Rebuilds of other checkouts reuse objects when ccache is installed.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif

SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: all deps configure build test test-full demo bench fuzz package format clean screenshots windows windows-test windows-zip

all: build

deps:
	@scripts/install-deps.sh

# Configured again when this file changes, so that new flags reach an old build folder.
$(BUILD)/build.ninja: Makefile | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	touch $@

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2
	$(MAKE) windows-test

# The same without sampling: every stop of the crash-safety walks under Wine,
# every moment the guests pull a stick at, the window's soak of 100 jobs.
test-full:
	ZT_FULL_WALK=1 $(MAKE) test

# The Windows programs, cross-compiled with mingw-w64: build-windows/zt_*.exe.
WINDOWS_BUILD ?= build-windows
WINDOWS_FLAGS = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_WERROR=ON
ifneq ($(shell command -v ccache 2>/dev/null),)
WINDOWS_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif

$(WINDOWS_BUILD)/build.ninja: Makefile cmake/mingw-w64-x86_64.cmake | deps
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja $(WINDOWS_FLAGS)
	touch $@

# The window's pictures are drawn by the Linux build's zt_draw_pictures (Qt).
windows: configure $(WINDOWS_BUILD)/build.ninja
	cmake --build $(BUILD) --target zt_pictures
	cmake -S . -B $(WINDOWS_BUILD) -DZT_PICTURES_DIR=$(CURDIR)/$(BUILD)/res >/dev/null
	cmake --build $(WINDOWS_BUILD) --target zt_install_tool zt_games zt_format zt_installer

# The Windows programs with a quick start (in Windows' line ends), the README
# with the pages and pictures of doc/ it links to, and the licence, as one zip file.
VERSION = $(shell sed -n '/^project/s/.* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
WINDOWS_ZIP = tarnwick-game-installer-$(VERSION)-win64
windows-zip: windows
	rm -rf $(WINDOWS_BUILD)/$(WINDOWS_ZIP) $(WINDOWS_BUILD)/$(WINDOWS_ZIP).zip
	mkdir $(WINDOWS_BUILD)/$(WINDOWS_ZIP)
	cp $(WINDOWS_BUILD)/zt_installer.exe $(WINDOWS_BUILD)/zt_install.exe $(WINDOWS_BUILD)/zt_games.exe $(WINDOWS_BUILD)/zt_format.exe \
	   README.md LICENSE $(WINDOWS_BUILD)/$(WINDOWS_ZIP)/
	mkdir -p $(WINDOWS_BUILD)/$(WINDOWS_ZIP)/doc/screenshots
	cp doc/*.md $(WINDOWS_BUILD)/$(WINDOWS_ZIP)/doc/
	cp doc/screenshots/*.png $(WINDOWS_BUILD)/$(WINDOWS_ZIP)/doc/screenshots/
	sed 's/$$/\r/' packaging/windows/quick-start.txt >"$(WINDOWS_BUILD)/$(WINDOWS_ZIP)/QUICK START.txt"
	cd $(WINDOWS_BUILD) && zip -qr $(WINDOWS_ZIP).zip $(WINDOWS_ZIP)
	@echo $(WINDOWS_BUILD)/$(WINDOWS_ZIP).zip

# The Windows tests under Wine, the tools compared with this build's Linux ones.
windows-test: build windows
	cmake -S . -B $(WINDOWS_BUILD) -DZT_LINUX_BIN_DIR=$(CURDIR)/$(BUILD)/cli >/dev/null
	cmake --build $(WINDOWS_BUILD)
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j2

screenshots: build
	$(BUILD)/tests/ui/zt_screenshots $(BUILD)/screenshots

# The Debian package, in the build folder: tarnwick-game-installer_VERSION_ARCH.deb
package: build
	cd $(BUILD) && umask 022 && cpack -G DEB

demo: build
	scripts/demo.sh $(BUILD)

bench:
	@scripts/install-deps.sh
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench
	bench/run.sh build-bench

fuzz:
	@scripts/install-deps.sh fuzz
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz
	scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS)

format:
	clang-format -i $(SOURCES)

clean:
	rm -rf build build-sanitize build-bench build-fuzz build-windows demo-drive demo-work
