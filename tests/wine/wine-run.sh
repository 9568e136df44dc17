#!/bin/sh
# Runs Windows programs of the build under Wine, all in one Wine prefix.
#
#   wine-run.sh PREFIX PROGRAM.exe ARGS...   run one program (CMake's emulator for the Windows build)
#   wine-run.sh PREFIX --start               make the prefix ready and keep its server running
#   wine-run.sh PREFIX --stop                stop the prefix's server
#
# The prefix is made once (wineboot) and reused by every later run; a lock lets
# parallel first runs wait for the one that makes it. Between --start and --stop
# the prefix's wineserver stays up, so each program starts in a fraction of a
# second. Programs run with a fixed time zone (UTC) and locale (US English)
# unless the caller sets TZ or LC_ALL: Wine takes both from the environment the
# process starts with, and the tests expect those two by default.
set -eu

prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No downloads of optional runtimes while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export TZ="${TZ:-UTC}"
export LC_ALL="${LC_ALL:-en_US.UTF-8}"
unset DISPLAY WAYLAND_DISPLAY

ready() {
  [ -f "$prefix/.qv-ready" ]
}

make_prefix() {
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if ! ready; then
      rm -rf "$prefix"
      wineboot --init >/dev/null 2>&1
      wineserver --wait
      touch "$prefix/.qv-ready"
    fi
  ) 9>"$prefix.lock"
}

case "${1:-}" in
--start)
  ready || make_prefix
  # A server already running for the prefix is kept (and refuses a second one).
  wineserver --persistent </dev/null >/dev/null 2>&1 || true
  # Wine's own background processes start now, away from the caller's output.
  wine cmd /c exit </dev/null >/dev/null 2>&1
  ;;
--stop)
  if [ -d "$prefix" ]; then wineserver --kill 2>/dev/null || true; fi
  ;;
"")
  echo "usage: $0 PREFIX (--start | --stop | PROGRAM ARGS...)" >&2
  exit 2
  ;;
*)
  ready || make_prefix
  # A program's own faults end it with a Windows exception code. Wine itself
  # (its Unix side) very rarely dies of SIGSEGV as a test program exits; that
  # one run is repeated, and said so.
  rc=0
  wine "$@" || rc=$?
  if [ "$rc" -eq 139 ]; then
    echo "wine-run.sh: Wine itself died of SIGSEGV; running $1 once more" >&2
    exec wine "$@"
  fi
  exit "$rc"
  ;;
esac
