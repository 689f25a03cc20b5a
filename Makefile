# Entry points for a fresh Debian 12 machine, as root: each installs what it needs first.
.PHONY: deps build test test-linux test-windows demo bench clean

PYTHON := /usr/bin/python3

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset linux
	cmake --build --preset linux
	cmake --preset windows
	cmake --build --preset windows

# Every suite: unit tests on Linux and under Wine, both executables, and the OVMF machine.
test: deps
	cmake --workflow --preset linux
	cmake --workflow --preset windows

test-linux: deps
	cmake --workflow --preset linux

test-windows: deps
	cmake --workflow --preset windows

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
