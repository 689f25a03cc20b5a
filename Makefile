# Entry points for a fresh Debian 12 machine, as root: each installs what it needs first.
.PHONY: deps test test-linux test-windows clean

deps:
	scripts/install-deps.sh

test: deps
	cmake --workflow --preset linux
	cmake --workflow --preset windows

test-linux: deps
	cmake --workflow --preset linux

test-windows: deps
	cmake --workflow --preset windows

clean:
	rm -rf build
