#!/bin/sh
# The CTest emulator for Windows test programs: runs one under wine64 in the build tree's prefix.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1; shift
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
  # Windows need a display; give this run one of its own.
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$prefix" "$@"
fi
"$here/wine-prefix.sh" "$prefix" "${CORVANE_WINE_STYLE:-}"
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# CORVANE_WINE_OVERRIDES adds entries (CMake lists cannot carry the ";" that separates them).
overrides="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDLLOVERRIDES="${overrides}${CORVANE_WINE_OVERRIDES:+;$CORVANE_WINE_OVERRIDES}"
export HOME="${HOME:-/root}"
exec /usr/lib/wine/wine64 "$@"
