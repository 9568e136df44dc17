#!/bin/sh
# Runs a program with TMPDIR naming a fresh folder of its own, removed when it
# ends, so that what a visit leaves there (its last advertisement file) goes
# with it. Exits with the program's code.
dir=$(mktemp -d) || exit 1
TMPDIR=$dir "$@"
rc=$?
rm -rf "$dir"
exit $rc
