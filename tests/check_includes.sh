#!/bin/sh
# The host program, the stand-in, the examples and the benchmarks reach the
# module's contract only through include/ and the six host library headers of
# Src/platform. Fails on any other header of Src/ included from outside Src/
# and tests/.
#   check_includes.sh <source tree>
set -eu
cd "$1"
root=$(pwd)
failures=$(mktemp)
trap 'rm -f "$failures"' EXIT
allowed="Src/platform/QvWin.h Src/platform/QvSound.h Src/platform/QvLang.h Src/platform/QvZendriClient.h Src/platform/Corvel.h Src/platform/Pellick.h"
status=0
files=$(find . \( -path ./Src -o -path ./tests -o -path ./build -o -path ./.git \) -prune -o \
  -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.inc' \) -print)
for f in $files; do
  grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$f" | while IFS= read -r line; do
    inc=$(echo "$line" | sed 's/^[^"]*"\([^"]*\)".*/\1/')
    target=$(realpath -m "$(dirname "$f")/$inc")
    rel=${target#"$root"/}
    case "$rel" in
    Src/*)
      ok=0
      for a in $allowed; do [ "$rel" = "$a" ] && ok=1; done
      [ $ok = 1 ] || { echo "${f#./}:${line%%:*}: includes $rel"; echo fail >>"$failures"; }
      ;;
    esac
  done
done
[ -s "$failures" ] && status=1
exit $status
