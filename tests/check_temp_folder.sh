#!/bin/sh
# Runs a program with TMPDIR naming a fresh, empty folder and fails when the
# program leaves anything in it: test programs and scenario runs keep their
# temporary files in a folder of their own, removed when they end.
#   check_temp_folder.sh PROGRAM ARGS...
probe=$(mktemp -d) || exit 1
trap 'rm -rf "$probe"' EXIT
out=$(TMPDIR=$probe "$@" 2>&1)
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "$out"
  echo "FAILED: $1 exited with $rc"
  exit 1
fi
left=$(ls -A "$probe")
if [ -n "$left" ]; then
  echo "FAILED: $1 left in the temporary folder:"
  echo "$left"
  exit 1
fi
echo "nothing left in the temporary folder"
