#!/usr/bin/env bash
# Records per second of `torvane-cli send --pause 0` with tracking on against the loopback demo server,
# for this build and for the last version without the delivery ledger, measured in one run.
#   bench/send_ledger_compare.sh BUILD_DIR [RECORDS]
set -euo pipefail
build=${1:-build/bench}
records=${2:-1500}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
before_rev=9ca7946  # the commit before the ledger
work=$(mktemp -d)
source "$here/compare_common.sh"
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  git -C "$repo" worktree remove --force "$work/before-src" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

after_cli=$(cd "$build" && pwd)/torvane-cli
[ -x "$after_cli" ] || { echo "no torvane-cli in $build"; exit 1; }
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
git -C "$repo" worktree add --detach "$work/before-src" "$before_rev" >/dev/null 2>&1
cmake -S "$work/before-src" -B "$work/before-build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
  -DTORVANE_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$work/before-build" --target torvane-cli >/dev/null
before_cli=$work/before-build/torvane-cli

start_server "$repo/examples/demo_server.py" --port 0
make_orders "$records"

rate() {  # cli -> records per second of one run in a fresh folder
  local cli=$1 dir
  dir=$(mktemp -d -p "$work")
  "$repo/examples/prepare_demo.sh" "$dir" "$url" "$cli" >/dev/null
  cp "$work/orders.txt" "$dir/orders.txt"
  local start end
  start=$(date +%s.%N)
  "$cli" -C "$dir" send --pause 0 >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  rm -rf "$dir"
  awk -v n="$records" -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", n / (e - s) }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

b=(); a=()
for _ in 1 2 3 4 5; do  # interleaved, so both meet the same load on a shared machine
  b+=("$(rate "$before_cli")")
  a+=("$(rate "$after_cli")")
done
mb=$(printf '%s\n' "${b[@]}" | median)
ma=$(printf '%s\n' "${a[@]}" | median)
printf 'send --pause 0, tracking on, %d records, median of 5 runs\n' "$records"
printf '  before the ledger: %8.1f records/s\n' "$mb"
printf '  with the ledger:   %8.1f records/s\n' "$ma"
printf '  ratio:             %8.2f (target >= 0.5)\n' "$(awk -v a="$ma" -v b="$mb" 'BEGIN { print a / b }')"
