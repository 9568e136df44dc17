#!/bin/sh
# Lists the module's exported symbols and fails unless QueryInterface is the only one.
set -eu
kind=$1
lib=$2
if [ "$kind" = linux ]; then
  syms=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort -u)
else
  syms=$(i686-w64-mingw32-objdump -p "$lib" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF} t&&/^$/{t=0}' | sort -u)
fi
echo "exports: $syms"
[ "$syms" = "QueryInterface" ]
