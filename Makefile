# Entry points. Each installs the Debian packages it needs first (as root).
SHELL := /bin/bash
.DEFAULT_GOAL := test

PACKAGES := cmake ninja-build g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
            binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 xvfb xauth xdotool \
            imagemagick googletest zip python3 debootstrap
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
JOBS ?= 2

.PHONY: deps run dist test test-host test-x86 test-win64 build-win64 x86-root bench build clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get update -qq && apt-get install -y -qq --no-install-recommends $$missing >/dev/null; \
	fi

# The program under Wine: a window on your desktop, or without a display a demo run whose
# screenshots land in out/.
run: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS) --target corvane driver probe
	python3 tests/e2e/run_demo.py build/win64 out

test-host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)
	ctest --preset host

# The root in which Wine runs 32-bit programs under qemu: built once per machine, outside the
# clone (CORVANE_X86_ROOT, default /var/cache/corvane/x86-root).
x86-root: deps
	tests/x86/make-root.sh

# The x86 build's tests, in that root; they use the x64 build's 64-bit stand-in and driver.
test-x86: deps x86-root build-win64
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)
	$(XVFB) ctest --preset win32

build-win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)

test-win64: build-win64
	$(XVFB) ctest --preset win64

# Host tests, then every Windows test under Wine, x64 then x86: ctest's summary closes the output.
test: test-host test-win64 test-x86

# Every benchmark under Wine, one table; the figures are measured in this run (the x86 exe's in
# the x86 root, under emulation). bench.py builds the release as make dist does and measures
# that; the test builds give the driver, the stand-in regsvr32s and the start-up marks.
bench: deps x86-root
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS) --target driver probe corvane minimal_window
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS) --target probe
	python3 bench/bench.py build/win64

# The two release zips and their checksums, in dist/; built a second time in another folder, and
# any byte that differs between the two builds of this commit fails.
dist: deps
	rm -rf dist build/dist-again
	packaging/make_dist.sh dist build
	packaging/make_dist.sh build/dist-again/out build/dist-again
	@for f in dist/*; do cmp "$$f" "build/dist-again/out/$${f##*/}" || \
	  { echo "make dist: $${f##*/} differs between two builds of this commit"; exit 1; }; done
	@cmp <(ls dist) <(ls build/dist-again/out) || { echo "make dist: the two builds wrote other files"; exit 1; }
	@echo "make dist: two builds of this commit are byte-identical"

clean:
	rm -rf build
