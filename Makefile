# Entry points. Each installs the Debian packages it needs first (as root).
SHELL := /bin/bash
.DEFAULT_GOAL := test

PACKAGES := cmake ninja-build g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
            binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 xvfb xauth xdotool \
            imagemagick googletest zip python3
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
JOBS ?= 2

.PHONY: deps test test-host test-win32 test-win64 build clean bench

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get update -qq && apt-get install -y -qq --no-install-recommends $$missing >/dev/null; \
	fi

test-host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)
	ctest --preset host

test-win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

test-win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)
	tests/wine-prefix.sh $(CURDIR)/build/win64/wineprefix
	$(XVFB) ctest --preset win64

# Host tests, the x86 build, then every Windows test under Wine: ctest's summary closes the output.
test: test-host test-win32 test-win64

# Every benchmark program under Wine; each prints its table.
bench: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)
	tests/wine-prefix.sh $(CURDIR)/build/win64/wineprefix
	@for b in build/win64/bench/*_bench.exe; do \
	  tests/wine-run.sh $(CURDIR)/build/win64/wineprefix $$b || exit 1; done

clean:
	rm -rf build
