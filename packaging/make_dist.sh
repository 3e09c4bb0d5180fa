#!/usr/bin/env bash
# Builds the x86 and x64 releases and writes, into OUTDIR (default dist/):
#   corvane-VERSION-x86.zip, corvane-VERSION-x64.zip and SHA256SUMS.
# Usage: make_dist.sh [OUTDIR [WORKDIR]]
# The same commit gives the same bytes: no timestamps in the exe, file dates in the zips fixed
# to the commit's date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)
work=${2:-$root/build}
version=$(tr -d ' \n\r' < "$root/VERSION")
epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
# The linker would stamp the exe with SOURCE_DATE_EPOCH; it stays unset so the header says 0.
unset SOURCE_DATE_EPOCH
export TZ=UTC

for arch in x86 x64; do
  case $arch in
    x86) toolchain=mingw-i686 manifest_arch=x86 ;;
    x64) toolchain=mingw-x86_64 manifest_arch=amd64 ;;
  esac
  build=$work/dist-$arch
  cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/$toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCORVANE_RUN_TESTS=OFF -DCORVANE_TEST_HOOKS=OFF \
    -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
  cmake --build "$build" --target corvane -j "${JOBS:-2}" >/dev/null

  stage=$build/stage
  rm -rf "$stage" && mkdir -p "$stage"
  # Stripped by the linker: a separate strip would stamp the header with the time.
  cp "$build/app/corvane.exe" "$stage/corvane.exe"
  sed -e "s/@VERSION4@/$version.0/" -e "s/@ARCH@/$manifest_arch/" \
    "$root/packaging/corvane.exe.manifest" > "$stage/corvane.exe.manifest"
  # Windows users read it in Notepad: CRLF line ends.
  sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/packaging/README.txt" > "$stage/README.txt"
  touch -d "@$epoch" "$stage"/*
  zip_name="corvane-$version-$arch.zip"
  rm -f "$out/$zip_name"
  (cd "$stage" && zip -q -X -D "$out/$zip_name" corvane.exe corvane.exe.manifest README.txt)
done

(cd "$out" && sha256sum "corvane-$version-x86.zip" "corvane-$version-x64.zip" > SHA256SUMS)
echo "written: $out/corvane-$version-x86.zip $out/corvane-$version-x64.zip $out/SHA256SUMS"
