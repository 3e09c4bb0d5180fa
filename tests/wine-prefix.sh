#!/bin/sh
# Creates a Wine prefix once (idempotent, safe to call from parallel tests).
# Usage: wine-prefix.sh PREFIX [classic|dpi144]   -- "classic" switches the visual style off,
# "dpi144" sets the screen to 144 pixels per inch.
set -eu
prefix=$1
style=${2:-}
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.corvane-ready" ]; then
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine=/usr/lib/wine/wine64
  $wine wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  $wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  if [ "$style" = classic ]; then
    $wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0 /f >/dev/null 2>&1
  fi
  if [ "$style" = dpi144 ]; then
    $wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  fi
  /usr/lib/wine/wineserver -w
  touch "$prefix/.corvane-ready"
fi
