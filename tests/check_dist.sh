#!/bin/sh
# Checks the package as a host developer gets it: unpacks the zip into a
# temporary folder and, with nothing but its contents, builds
# examples/minimal_host.c and runs it against the module and the reference host
# libraries, on Linux (gcc -m32) and for Windows (mingw, run under Wine). Also:
# without the host libraries the load fails with the system's reason; the
# guide names only files the package holds; the string-id list is the current
# one; the Linux libraries look for each other only next to themselves.
#
#   check_dist.sh ZIP STRING_IDS_PROGRAM WINE_RUNNER...
set -eu
zip=$1
ids=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
fail() {
  echo "check_dist: $*" >&2
  exit 1
}

unzip -q "$zip" -d "$work"
pkg=$(ls -d "$work"/QvMulti-*)
libs="QvWin QvSound QvLang QvZendriClient Corvel Pellick"
for f in README.md VERSION linux/libQvMulti.so windows/QvMulti.dll include/QvMulti.h string-ids.txt \
  docs/host.md examples/minimal_host.c; do
  [ -f "$pkg/$f" ] || fail "the package lacks $f"
done
for lib in $libs; do
  [ -f "$pkg/reference-host/linux/lib$lib.so" ] || fail "the package lacks reference-host/linux/lib$lib.so"
  [ -f "$pkg/reference-host/windows/$lib.dll" ] || fail "the package lacks reference-host/windows/$lib.dll"
  [ -f "$pkg/include/host/$lib.h" ] || fail "the package lacks include/host/$lib.h"
done

# The guide's package table and its relative links name files of the package.
sed -n '/^## The package/,/^## /p' "$pkg/docs/host.md" | sed -n 's/^| `\([^`]*\)` |.*/\1/p' >"$work/listed"
[ -s "$work/listed" ] || fail "docs/host.md has no package table"
while read -r path; do
  # shellcheck disable=SC2086
  ls "$pkg"/$path >/dev/null 2>&1 || fail "docs/host.md lists $path, which the package lacks"
done <"$work/listed"
for link in $(grep -o '](\.\./[^)#]*' "$pkg/docs/host.md" | sed 's/^](//'); do
  [ -e "$pkg/docs/$link" ] || fail "docs/host.md links $link, which the package lacks"
done
for doc in "$pkg/README.md" "$pkg/docs/host.md"; do
  for path in $(grep -o '`[a-z-]*/[A-Za-z0-9_./*-]*`' "$doc" | tr -d '`' | sort -u); do
    # shellcheck disable=SC2086
    ls "$pkg"/$path >/dev/null 2>&1 || fail "$(basename "$doc") names $path, which the package lacks"
  done
done

# The list is the stand-in's string table as this build has it.
"$ids" | cmp -s - "$pkg/string-ids.txt" || fail "string-ids.txt is not the current list"
for id in 3994 5316; do
  grep -q "^$id	" "$pkg/string-ids.txt" || fail "string-ids.txt lacks $id"
done

for f in "$pkg"/linux/*.so "$pkg"/reference-host/linux/*.so; do
  runpath=$(readelf -d "$f" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ -z "$runpath" ] || [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$f") searches $runpath"
done

# Linux: built from the package, the module and the six libraries in one folder.
cd "$pkg"
gcc -m32 -std=c11 -Wall -Wextra -Werror -Wpedantic -o "$work/minimal_host" examples/minimal_host.c -ldl
mkdir "$work/linux-bare" "$work/linux-run"
cp linux/libQvMulti.so "$work/linux-bare/"
cp linux/libQvMulti.so reference-host/linux/*.so "$work/linux-run/"
if "$work/minimal_host" "$work/linux-bare/libQvMulti.so" 2>"$work/err"; then fail "loaded without host libraries"; fi
grep -q 'cannot load .*libQvMulti.so: .*cannot open shared object file' "$work/err" ||
  fail "the failed load does not say why: $(cat "$work/err")"
"$work/minimal_host" "$work/linux-run/libQvMulti.so" || fail "minimal_host failed on Linux"

# Windows: the mingw compiler, then Wine.
mkdir "$work/win-bare" "$work/win-run"
i686-w64-mingw32-gcc -std=c11 -Wall -Wextra -Werror -Wpedantic -o "$work/win-run/minimal_host.exe" \
  examples/minimal_host.c
cp "$work/win-run/minimal_host.exe" windows/QvMulti.dll "$work/win-bare/"
cp windows/QvMulti.dll reference-host/windows/*.dll "$work/win-run/"
cd "$work/win-bare"
if "$@" minimal_host.exe QvMulti.dll 2>"$work/err"; then fail "loaded without host libraries under Wine"; fi
grep -q 'cannot load QvMulti.dll: [A-Za-z].* (error [0-9]*)' "$work/err" ||
  fail "the failed load under Wine does not say why: $(cat "$work/err")"
cd "$work/win-run"
"$@" minimal_host.exe QvMulti.dll || fail "minimal_host failed under Wine"
echo "check_dist: the package builds and runs minimal_host on Linux and under Wine"
