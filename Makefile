# Entry points for a fresh Debian 12 machine, as root: each installs what it needs first.
.PHONY: deps build test test-linux test-windows test-sanitize test-fuzz fuzz-long demo bench clean

PYTHON := /usr/bin/python3

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset linux
	cmake --build --preset linux
	cmake --preset windows
	cmake --build --preset windows

# Every suite: unit tests on Linux and under Wine, both executables, the OVMF machine,
# the sanitizer build of all that runs on Linux, and a bounded run of each fuzz target.
test: deps
	cmake --workflow --preset linux
	cmake --workflow --preset windows
	cmake --workflow --preset sanitize
	cmake --workflow --preset fuzz

test-linux: deps
	cmake --workflow --preset linux

test-windows: deps
	cmake --workflow --preset windows

test-sanitize: deps
	cmake --workflow --preset sanitize

test-fuzz: deps
	cmake --workflow --preset fuzz

# A longer fuzz run: FUZZ_SECONDS per target (default an hour).
FUZZ_SECONDS ?= 3600
fuzz-long: deps
	cmake --preset fuzz -DWLAN_NVRAM_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build --preset fuzz
	ctest --preset fuzz --timeout $$(( $(FUZZ_SECONDS) * 2 ))
	cmake --preset fuzz -DWLAN_NVRAM_FUZZ_SECONDS=60 > /dev/null

# The main job on a throwaway UEFI machine, with a transcript.
demo: build
	$(PYTHON) scripts/demo.py

# Figures, not a test. RUNS=N sets the number of runs.
RUNS ?= 25
bench: build
	cmake --build --preset linux --target bench-runs
	$(PYTHON) scripts/bench.py --runs $(RUNS)

clean:
	rm -rf build
