# make demo   install what is missing, build, and run the plug-in in the stand-in
#             host on a scratch copy of the registry, in this terminal
# make demo-far3  the same with the module for the host's 3.x interface
# make demo-russian  the same with the Russian texts, on a console whose OEM
#             code page is 866, as on Russian Windows
# make        install what is missing, build the 32-bit product and the 64-bit build,
#             each with its test suite
# make test   the above, then run both suites under Wine
# make bench  the above, then measure the module against the platform's floor
# make package  install what is missing, build the 32-bit and the 64-bit DLLs of
#             both host interfaces, and pack each for users into
#             build/UninstallMenu-<version>-far<1|3>-<x86|x64>.zip
# make clean  remove build/

MAKEFLAGS += --no-print-directory

WIN32 := build/win32
WIN64 := build/win64

.PHONY: all deps build test demo demo-far3 demo-russian package bench clean

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

demo-far3: build
	@[ -t 0 ] && [ -t 1 ] || { echo "make demo-far3 runs an interactive console program: it needs a terminal" >&2; exit 1; }
	@scripts/demo --far3

demo-russian: build
	@[ -t 0 ] && [ -t 1 ] || { echo "make demo-russian runs an interactive console program: it needs a terminal" >&2; exit 1; }
	@scripts/demo --lang Russian

# The DLLs alone are built: the package takes each as it is.
package: deps
	@echo "== Building the 32-bit DLLs in $(WIN32)"
	@cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DUNINSTALLMENU_TESTS=ON >/dev/null
	@cmake --build $(WIN32) -j2 --target UninstallMenu UninstallMenu3
	@echo "== Building the 64-bit DLLs in $(WIN64)"
	@cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DUNINSTALLMENU_TESTS=ON >/dev/null
	@cmake --build $(WIN64) -j2 --target UninstallMenu UninstallMenu3
	@echo "== Packing each into build/"
	@for build in $(WIN32) $(WIN64); do \
		cpack --config $$build/CPackConfig.cmake -B build >$$build/cpack.log 2>&1 || { cat $$build/cpack.log; exit 1; }; \
		sed -n 's/^CPack: - package: \(.*\) generated\.$$/== Made \1/p' $$build/cpack.log; \
	done
	@rm -rf build/_CPack_Packages

bench: build
	@scripts/bench

clean:
	rm -rf build
