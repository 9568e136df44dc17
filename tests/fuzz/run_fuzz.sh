#!/bin/sh
# Runs one fuzz target: first its committed crash inputs (each must pass, in
# the open visit and in fresh visits), then the fuzzer for SECONDS over a copy
# of its seed corpus with the protocol dictionary. Prints one line: the mode,
# executions, coverage, crashes. Inputs run inside one open visit unless
# FUZZ_FRESH=1 (a fresh visit each). A crash or leak the open visit finds is
# replayed in a fresh visit before it is reported; one that does not come back
# there is reported as a fault of the open visit's reset. Crash inputs are left
# in WORK/<target>/crashes and fail the run.
# usage: run_fuzz.sh PROGRAM TARGET FUZZDIR SECONDS WORK
set -u
program=$1 target=$2 dir=$3 seconds=$4 work=$5
out=$work/$target
rm -rf "$out" && mkdir -p "$out/corpus" "$out/crashes"
# The visits' temporary files (advertisement pictures) go to a folder of the
# run's own, removed when it ends.
TMPDIR=$(mktemp -d) || exit 1
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
cp "$dir/corpus/$target"/* "$out/corpus/" 2>/dev/null
# The leak checker is off: the targets check the service's blocks themselves
# after every visit (LSan would scan the heap after every input that finds
# something new). Replays keep full allocation stacks; the fuzz run records
# none, as a crash it finds is replayed from its saved input.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
regressions=$(ls "$dir/regressions/$target"/* 2>/dev/null)
if [ -n "$regressions" ]; then
  for fresh in 0 1; do
    FUZZ_FRESH=$fresh "$program" $regressions >"$out/replay.log" 2>&1 ||
      { cat "$out/replay.log"; echo "$target: a committed crash input fails (FUZZ_FRESH=$fresh)"; exit 1; }
  done
fi
mode=open
[ "${FUZZ_FRESH:-0}" = 1 ] && mode=fresh
ASAN_OPTIONS=$ASAN_OPTIONS:malloc_context_size=0 \
"$program" -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
  -detect_leaks=0 -dict="$dir/protocol.dict" -artifact_prefix="$out/crashes/" "$out/corpus" >"$out/fuzz.log" 2>&1
status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log" | tail -1)
cov=$(grep -o 'cov: [0-9]*' "$out/fuzz.log" | tail -1 | cut -d' ' -f2)
ft=$(grep -o 'ft: [0-9]*' "$out/fuzz.log" | tail -1 | cut -d' ' -f2)
crashes=$(ls "$out/crashes" | wc -l)
rate=$(( ${runs:-0} / (seconds > 0 ? seconds : 1) ))
printf '%-18s %-5s %4ss  executions %10s (%5s/s)  coverage %5s edges %6s features  crashes %s\n' \
  "$target" "$mode" "$seconds" "${runs:-0}" "$rate" "${cov:-0}" "${ft:-0}" "$crashes"
if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
  grep -A30 'ERROR\|runtime error\|deadly signal\|unfreed' "$out/fuzz.log" | head -60
  # Every finding is replayed alone in a fresh visit before it counts as one.
  for input in "$out/crashes"/*; do
    [ -f "$input" ] || continue
    if FUZZ_FRESH=1 "$program" "$input" >"$input.fresh.log" 2>&1; then
      echo "$target: $input fails in the open visit only: a fault of the open visit's reset"
    else
      echo "$target: $input fails in a fresh visit too:"
      grep -A12 'ERROR\|runtime error\|deadly signal\|unfreed' "$input.fresh.log" | head -20
    fi
  done
  exit 1
fi
