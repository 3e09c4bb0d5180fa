#!/bin/sh
# The themed button's five looks as PNG files, to look at: shots.sh BUILD_DIR OUT_DIR
# (BUILD_DIR is a built win64 preset, such as build/win64).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
"$here/../wine-run.sh" "$build/wineprefix" "$build/tests/theme/theme_shots.exe" "Z:$(echo "$out" | tr / '\\')"
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
ls "$out"
