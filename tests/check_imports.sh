#!/bin/sh
# Lists the libraries the module imports and fails unless they are exactly the
# host's six (QvWin, QvSound, QvLang, QvZendriClient, Corvel, Pellick) plus the
# system's own libraries, and unless no imported symbol belongs to the
# stand-in's driver namespace.
#   check_imports.sh linux   build/linux-i686/libQvMulti.so
#   check_imports.sh windows build/windows-i686/QvMulti.dll
set -eu
kind=$1
lib=$2
host="QvWin QvSound QvLang QvZendriClient Corvel Pellick"
if [ "$kind" = linux ]; then
  names=$(objdump -p "$lib" | awk '$1 == "NEEDED" {print $2}')
  system='^(libc\.so\.6|libm\.so\.6|libstdc\+\+\.so\.6|libgcc_s\.so\.1|libpthread\.so\.0|libdl\.so\.2|ld-linux\.so\.2|libasan\.so\.[0-9]+|libubsan\.so\.[0-9]+)$'
  hostname() { echo "lib$1.so"; }
  symbols=$(nm -D --undefined-only "$lib" | awk '{print $NF}')
else
  names=$(i686-w64-mingw32-objdump -p "$lib" | awk '/DLL Name:/ {print $3}')
  system='^(KERNEL32\.dll|msvcrt\.dll|ADVAPI32\.dll|SHELL32\.dll|USER32\.dll|api-ms-win-crt-[a-z0-9-]+\.dll)$'
  hostname() { echo "$1.dll"; }
  symbols=$(i686-w64-mingw32-objdump -p "$lib" | awk '/^\t[ ]*[0-9a-f]+[ ]+[0-9]+[ ]+/ {print $NF}')
fi
echo "imports:" $names
status=0
for h in $host; do
  echo "$names" | grep -qx "$(hostname "$h")" || { echo "missing import: $(hostname "$h")"; status=1; }
done
for n in $names; do
  ok=0
  for h in $host; do [ "$n" = "$(hostname "$h")" ] && ok=1; done
  echo "$n" | grep -Eq "$system" && ok=1
  [ $ok = 1 ] || { echo "not a host or system library: $n"; status=1; }
done
if echo "$symbols" | grep -q '7standin'; then
  echo "imports the stand-in's driver API:"
  echo "$symbols" | grep '7standin'
  status=1
fi
exit $status
