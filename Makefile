# The two commands: `make demo` and `make test`. Both install what is missing first.
SHELL := /bin/bash
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
NATIVE := build/native
WIN32 := build/win32
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Release
# RELEASE_KEY=vendor.pub.pem builds the program that installs only releases signed with that key.
RELEASE_KEY ?=
KEY_FLAG := -DZEFRA_RELEASE_KEY=$(if $(RELEASE_KEY),$(abspath $(RELEASE_KEY)),)

.PHONY: all test demo bench dist bootstrap build native win32 clean

all: build

bootstrap:
	@tools/bootstrap.sh

native: bootstrap
	@cmake -S . -B $(NATIVE) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32: bootstrap
	@cmake -S . -B $(WIN32) $(CMAKE_FLAGS) $(KEY_FLAG) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

build: native win32

# Every test: the portable core natively (with sanitizers), then the Windows program under Wine.
# The fixtures are stopped afterwards whatever happens.
test: build
	@cd $(NATIVE) && ctest --output-on-failure
	@trap 'tests/fixtures/testenv.py stop $(WIN32)/testenv >/dev/null 2>&1' EXIT; \
	  cd $(WIN32) && ctest --output-on-failure

demo: build
	@if [ -x tools/demo.py ]; then tools/demo.py; else echo "make demo: not yet"; fi

bench: win32
	@if [ -x tools/bench.py ]; then tools/bench.py; else echo "make bench: not yet"; fi

dist: win32
	@if [ -x tools/dist.sh ]; then tools/dist.sh; else echo "make dist: not yet"; fi

clean:
	rm -rf build dist
