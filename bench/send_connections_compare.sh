#!/usr/bin/env bash
# Records per second of `torvane-cli send --connections N` against a loopback server that answers each
# request after 200 ms, beside `xargs -P N curl` posting the same bodies to the same server, in one run.
# A rate is the records divided by the time from the first request's arrival to the last reply.
#   bench/send_connections_compare.sh BUILD_DIR [RECORDS]
set -euo pipefail
build=${1:-build/bench}
records=${2:-96}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
cli=$(cd "$build" && pwd)/torvane-cli
[ -x "$cli" ] || { echo "no torvane-cli in $build"; exit 1; }
command -v curl >/dev/null || { echo "no curl"; exit 1; }
work=$(mktemp -d)
source "$here/compare_common.sh"
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
start_server "$here/slow_form_server.py" --delay 0.2
make_orders "$records"

span_rate() {  # the server's log of one trial -> records per second
  awk -v n="$records" 'NR == 1 || $1 < a { a = $1 } NR == 1 || $2 > b { b = $2 } END { printf "%.1f", n / (b - a) }' "$1"
}

torvane() {  # connections -> rate and peak memory (kB)
  local dir
  dir=$(mktemp -d -p "$work")
  "$repo/examples/prepare_demo.sh" "$dir" "$url" "$cli" >/dev/null
  cp "$work/orders.txt" "$dir/orders.txt"
  : > "$work/received.txt"
  /usr/bin/time -f %M -o "$work/mem" "$cli" -C "$dir" send --pause 0 --connections "$1" >/dev/null 2>&1 || true
  cp "$work/received.txt" "$work/bodies.txt"
  echo "$(span_rate "$work/received.txt") $(tail -n 1 "$work/mem")"
  rm -rf "$dir"
}

curls() {  # processes -> rate, posting the bodies the last torvane trial sent
  : > "$work/received.txt"
  cut -d' ' -f3- "$work/bodies.txt" | xargs -d '\n' -P "$1" -I{} \
    curl -s -o /dev/null -H 'Content-Type: application/x-www-form-urlencoded' --data-binary '{}' "$url"
  span_rate "$work/received.txt"
}

printf 'send --pause 0 --connections N, %d records, each answered after 200 ms\n' "$records"
printf '  %-12s %12s %12s %14s\n' connections torvane/s "curl -P N/s" "peak memory kB"
one=""
for n in 1 4 16 32; do
  read -r rate mem < <(torvane "$n")
  [ -z "$one" ] && one=$rate
  printf '  %-12s %12s %12s %14s\n' "$n" "$rate" "$(curls "$n")" "$mem"
  [ "$n" = 16 ] && sixteen=$rate
done
printf '  16 connections against 1: %.1fx (target >= 12)\n' "$(awk -v a="$sixteen" -v b="$one" 'BEGIN { print a / b }')"
