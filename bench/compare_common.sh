# Sourced by the comparison scripts: a loopback form server started in $work (killed by cleanup), its
# address in $url, and the demo's orders with fresh order numbers in $work/orders.txt.
#   start_server SERVER.py [ARGS...]; make_orders RECORDS
server_pid=""
start_server() {
  python3 "$@" --port-file "$work/port" --log "$work/received.txt" >/dev/null 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
  url="http://127.0.0.1:$(cat "$work/port")/orders/enter.cgi"
}
make_orders() {
  {
    head -n 1 "$repo/examples/orders.txt"
    tail -n +2 "$repo/examples/orders.txt" | awk -v n="$1" '
      { line[NR] = $0 } END { for (i = 0; i < n; i++) printf "M%07d%s\n", i, substr(line[i % NR + 1], 9) }'
  } > "$work/orders.txt"
}
