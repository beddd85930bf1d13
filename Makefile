# Front door: every target configures with the CMake presets and installs the
# Debian packages the build needs first (tools/install-deps).
.PHONY: run test test-asan test-clang bench fuzz deps install clean

JOBS ?= $(shell nproc)

deps:
	@tools/install-deps

run: deps
	cmake --preset default >/dev/null
	cmake --build --preset default --target sdkbanner -j $(JOBS)
	./build/default/nesql/sdkbanner

test: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

test-clang: deps
	cmake --preset clang
	cmake --build --preset clang -j $(JOBS)
	ctest --preset clang

bench: deps
	@tools/install-deps bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	@for b in build/bench/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

# Builds the libFuzzer targets and runs each for FUZZ_SECONDS (default 20).
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@tools/run-fuzzers build/fuzz/fuzz $${FUZZ_SECONDS:-20}

install: test
	cmake --install build/default --prefix $${PREFIX:-/usr/local/tarnwell}

clean:
	rm -rf build
