# Entry points. Each installs the Debian packages it needs first (as root).
SHELL := /bin/bash
.DEFAULT_GOAL := test

PACKAGES := cmake ninja-build g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
            binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64 xvfb xauth xdotool \
            imagemagick googletest zip python3
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
JOBS ?= 2

.PHONY: deps run dist test test-host test-win32 test-win64 bench build clean

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

test-win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

test-win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)
	$(XVFB) ctest --preset win64

# Host tests, the x86 build, then every Windows test under Wine: ctest's summary closes the output.
test: test-host test-win32 test-win64

# Every benchmark under Wine, one table; the figures are measured in this run.
bench: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)
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
