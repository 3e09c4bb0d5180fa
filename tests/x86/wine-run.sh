#!/bin/sh
# The CTest emulator of the x86 build: tests/wine-run.sh, run inside the x86 root (make-root.sh).
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
project=$(cd "$here/../.." && pwd)
root=${CORVANE_X86_ROOT:-/var/cache/corvane/x86-root}
# The 64-bit view's stand-in regsvr32 is the x64 build's, beside this build.
probe64=$(cd "$(dirname "$1")/../win64/tests/tools" 2>/dev/null && pwd)/probe.exe
export CORVANE_PROBE64="Z:$(printf '%s' "$probe64" | tr / '\\')"
exec "$here/in-root.sh" "$root" "$project" "$project/tests/wine-run.sh" "$@"
