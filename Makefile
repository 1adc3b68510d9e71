# The two commands: `make demo` and `make test`. Both install what is missing first.
SHELL := /bin/bash
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
NATIVE := build/native
WIN32 := build/win32
WIN64 := build/win64
# The Windows tests and the demo run the 32-bit program as it ships. A machine whose kernel runs
# no 32-bit programs runs them on the same sources built for 64-bit Windows. Asked only once the
# bootstrap has run, as the answer needs its 32-bit loader.
TEST_ARCH = $(shell tools/windows-arch)
WIN_TEST = build/$(TEST_ARCH)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Release
# RELEASE_KEY=vendor.pub.pem builds the program that installs only releases signed with that key;
# none (or nothing) one that installs unsigned releases.
RELEASE_KEY ?=
KEY_FLAG := -DZEFRA_RELEASE_KEY=$(if $(filter-out none,$(RELEASE_KEY)),$(abspath $(RELEASE_KEY)),)
# make dist builds the program that ships in a folder of its own, so the tests' build keeps no key
# and no shipped program inherits the key of an earlier build: it must be named every time.
DIST_BUILD ?= build/dist-win32
DIST ?= dist
ifneq ($(filter dist,$(MAKECMDGOALS)),)
ifeq ($(RELEASE_KEY),)
$(error make dist needs the release key: make dist RELEASE_KEY=vendor.pub.pem, or make dist RELEASE_KEY=none for an updater that installs unsigned releases)
endif
endif

.PHONY: all test demo bench dist bootstrap build native win32 win64 test-build clean

all: build

bootstrap:
	@tools/bootstrap.sh

native: bootstrap
	@cmake -S . -B $(NATIVE) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32: bootstrap
	@cmake -S . -B $(WIN32) $(CMAKE_FLAGS) $(KEY_FLAG) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

win64: bootstrap
	@cmake -S . -B $(WIN64) $(CMAKE_FLAGS) $(KEY_FLAG) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake >/dev/null
	@cmake --build $(WIN64) -j $(JOBS)

# The 32-bit program always, and the build the Windows tests run where that is another.
test-build: win32
	@[ "$(TEST_ARCH)" = win32 ] || $(MAKE) --no-print-directory win64

build: native test-build

# Every test: the portable core natively (with sanitizers), then the Windows program under Wine.
# The fixtures are stopped afterwards whatever happens.
test: build
	@cd $(NATIVE) && ctest --output-on-failure
	@[ "$(TEST_ARCH)" = win32 ] || echo "make test: this machine runs no 32-bit programs; the Windows tests run on the 64-bit build in $(WIN64), under 64-bit Wine"
	@trap 'tests/fixtures/testenv.py stop $(WIN_TEST)/testenv >/dev/null 2>&1' EXIT; \
	  cd $(WIN_TEST) && ctest --output-on-failure

demo: build
	@tools/demo.py

bench: test-build
	@tools/bench.py --build $(WIN_TEST)

dist: bootstrap
	@cmake -S . -B $(DIST_BUILD) $(CMAKE_FLAGS) $(KEY_FLAG) -DZEFRA_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
	@cmake --build $(DIST_BUILD) -j $(JOBS) --target zefra_indir
	@tools/dist.sh "$(DIST_BUILD)/Zefra INDIR.exe" "$(DIST)" "$(RELEASE_KEY)"

clean:
	rm -rf build dist
