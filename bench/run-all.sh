#!/usr/bin/env bash
# Runs every benchmark of a build folder and the comparison scripts beside them; prints figures only.
set -uo pipefail
build=${1:-build/bench}
here=$(cd "$(dirname "$0")" && pwd)
for b in "$build"/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true || echo "(benchmark failed)"
done
for s in "$here"/*_compare.sh; do
  [ -x "$s" ] || continue
  echo "== $(basename "$s")"
  "$s" "$build" || echo "(comparison failed)"
done
