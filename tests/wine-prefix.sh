#!/bin/sh
# Creates a Wine prefix once (idempotent, safe to call from parallel tests), and makes sure its
# Wine session runs detached from the caller.
# Usage: wine-prefix.sh PREFIX [classic|dpi144|desktop]   -- "classic" switches the visual style
# off, "dpi144" sets the screen to 144 pixels per inch, "desktop" is for a real desktop with a
# window manager (every other prefix is for Xvfb, where none runs).
set -eu
prefix=$1
style=${2:-}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64

# Every prefix of a build folder starts as a copy of one made by wineboot there: a copy takes a
# second, wineboot a quarter of a minute.
template=$(dirname "$prefix")/wineprefix-template
mkdir -p "$(dirname "$prefix")"
(
  exec 9>"$template.lock"
  flock 9
  if [ ! -f "$template/.corvane-ready" ]; then
    rm -rf "$template"
    export WINEPREFIX="$template"
    $wine wineboot -i >/dev/null 2>&1 9>&-
    /usr/lib/wine/wineserver -w
    $wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 9>&-
    # No window manager runs under Xvfb: a window it would manage makes Wine wait 2 s for an
    # acknowledgement that never comes each time the window is hidden or destroyed.
    $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 9>&-
    /usr/lib/wine/wineserver -w
    touch "$template/.corvane-ready"
  fi
)

exec 9>"$prefix.lock"
flock 9
export WINEPREFIX="$prefix"
if [ ! -f "$prefix/.corvane-ready" ]; then
  rm -rf "$prefix"
  cp -a "$template" "$prefix"
  rm -f "$prefix/.corvane-ready"
  # A real desktop has a window manager: the window is its to frame.
  if [ "$style" = desktop ]; then
    $wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 9>&-
  fi
  if [ "$style" = classic ]; then
    $wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0 /f >/dev/null 2>&1 9>&-
  fi
  if [ "$style" = dpi144 ]; then
    $wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 9>&-
  fi
  # The server writes the registry out when it ends; in the x86 root it would be killed first.
  if [ -n "$style" ]; then
    /usr/lib/wine/wineserver -w
  fi
  touch "$prefix/.corvane-ready"
fi
# The first program of a Wine session starts the server and the system processes (services,
# explorer, ...), which keep that program's standard streams: a test runner waiting for its pipe
# to close would wait for the whole session. So the session is started here, on /dev/null, and
# kept for 10 s after its last program. Without a display there is no session worth starting:
# its desktop could never show a window.
if [ -n "${DISPLAY:-}" ] && /usr/lib/wine/wineserver -p10 </dev/null >/dev/null 2>&1 9>&-; then
  $wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
fi
