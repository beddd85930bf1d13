# Front door: every target configures with the CMake presets and installs the
# Debian packages the build needs first (tools/install-deps).
.PHONY: run test test-full test-asan test-clang bench fuzz deps install examples clean bench-report

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

# The suite with the full sweeps (TRW_TEST_FULL=1: every cut, every vector).
test-full: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	TRW_TEST_FULL=1 ctest --preset default

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

# Runs the benchmarks that have peers (DECIMAL, its text conversions,
# code-set conversion, multibyte strings, first locale loads) and prints one
# table of ratios ours / peer, medians of repetitions from one run
# (tools/bench-report).
bench-report: deps
	@tools/install-deps bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS) --target decimal_bench decconv_bench conv_bench mbs_bench locale_load_bench
	@tools/bench-report build/bench

# Builds the libFuzzer targets and runs each for FUZZ_SECONDS (default 20).
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@tools/run-fuzzers build/fuzz/fuzz $${FUZZ_SECONDS:-20}

# Optimised build of the libraries, programs and data tree, installed under
# PREFIX (default /usr/tarnwell, where the runtime looks without TARNWELLDIR);
# DESTDIR stages it. The tests do not run again here.
install: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)
	cmake --install build/release $(if $(PREFIX),--prefix $(PREFIX))

# Installs the default build into a temporary prefix and builds and runs
# every examples/*.c against it (tools/check-examples).
examples: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)
	tools/check-examples build/default

clean:
	rm -rf build

# The fuzzing campaign: every target in turn on one core for MINUTES each
# (default 2; TARGETS= picks some), corpora merged and minimised back into
# fuzz/corpus/, reproducers of findings in fuzz/findings/, one table.
.PHONY: fuzz-campaign fuzz-coverage
fuzz-campaign: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@tools/fuzz-campaign build/fuzz/fuzz $(or $(MINUTES),2) $(TARGETS)

# Replays the corpora through a coverage build and reports the lines and
# branches each parser file reaches; the lines no input reaches are then
# looked up in a coverage run of the unit tests (preset test-coverage).
fuzz-coverage: deps
	cmake --preset fuzz-coverage
	cmake --build --preset fuzz-coverage -j $(JOBS)
	cmake --preset test-coverage
	cmake --build --preset test-coverage -j $(JOBS)
	@FUZZ_TESTS=build/test-coverage tools/fuzz-coverage build/fuzz-coverage

# A subset of the default build's tests under Valgrind's memcheck, each test
# in a process of its own (tools/run-valgrind, tools/valgrind.supp); runs
# after `make test` in CI.
.PHONY: test-valgrind
test-valgrind: deps
	@tools/install-deps valgrind
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)
	tools/run-valgrind build/default $(JOBS)
