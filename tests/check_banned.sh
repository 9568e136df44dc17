#!/bin/sh
# Unbounded text calls are banned in the module and the stand-in host.
set -u
root=$1
# The bounded 16-bit Unicode::strcpy family (declared as static members) is allowed.
hits=$(grep -rnE '(^|[^:_A-Za-z0-9])(strcpy|strcat|sprintf|vsprintf|gets)[[:space:]]*\(' "$root/Src" "$root/host" \
  --include='*.cpp' --include='*.h' --include='*.inc' | grep -vE 'static Unicode\* (strcpy|strcat|sprintf)\(')
if [ -n "$hits" ]; then
  echo "banned calls:"; echo "$hits"; exit 1
fi
exit 0
