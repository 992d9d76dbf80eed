# make demo   install what is missing, build, and run the plug-in in the stand-in
#             host on a scratch copy of the registry, in this terminal
# make        install what is missing, build the 32-bit product and the 64-bit build,
#             each with its test suite
# make test   the above, then run both suites under Wine
# make bench  the above, then measure the module against the platform's floor
# make clean  remove build/

MAKEFLAGS += --no-print-directory

WIN32 := build/win32
WIN64 := build/win64

.PHONY: all deps build test demo bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	@echo "== Building the 32-bit product and its suite in $(WIN32)"
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DUNINSTALLMENU_TESTS=ON >/dev/null
	@cmake --build $(WIN32) -j2
	@echo "== Building the 64-bit build and its suite in $(WIN64)"
	@cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DUNINSTALLMENU_TESTS=ON >/dev/null
	@cmake --build $(WIN64) -j2

test: build
	@scripts/run-tests

demo: build
	@[ -t 0 ] && [ -t 1 ] || { echo "make demo runs an interactive console program: it needs a terminal" >&2; exit 1; }
	@scripts/demo

bench: build
	@scripts/bench

clean:
	rm -rf build
