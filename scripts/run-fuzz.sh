#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while: make fuzz gives each a few seconds; a longer run
# is FUZZ_SECONDS=300 make fuzz. New inputs go to the build folder; the seeds in fuzz/corpus stay as
# they are. A crash, leak, time-out or broken property leaves its input in <build>/artifacts and fails.
set -uo pipefail
build=${1:?usage: run-fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/corpus" "$build/artifacts"
failed=()
for bin in "$build"/fuzz/*_fuzz; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin" _fuzz)
  mkdir -p "$build/corpus/$name"
  dict=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  echo "== $name ($seconds s)"
  if "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$name-" "${dict[@]}" \
       "$build/corpus/$name" "$root/fuzz/corpus/$name" >"$build/$name.log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$build/$name.log" | tr '\n' ' '
    echo "corpus: $(ls "$build/corpus/$name" | wc -l)"
  else
    failed+=("$name")
    tail -n 30 "$build/$name.log"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that found a fault: ${failed[*]} (inputs in $build/artifacts)"
  exit 1
fi
