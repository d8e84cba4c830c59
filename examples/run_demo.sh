#!/usr/bin/env bash
# make demo: starts the demo order server on 127.0.0.1, prepares run-demo/ for it and opens Torvane
# there. The server stops when Torvane is closed.
#   examples/run_demo.sh [BUILD_DIR]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
demo=$root/run-demo

for program in torvane torvane-cli; do
    if [[ ! -x $build/$program ]]; then
        echo "run_demo: $build/$program is missing; build first (make build)" >&2
        exit 1
    fi
done

# A fresh start every time: the tracking of an earlier demo would skip every record.
mkdir -p "$demo"
rm -f "$demo/torvane.db" "$demo/received.txt" "$demo/DebugFile.log" "$demo/.port"

python3 "$here/demo_server.py" --port 0 --port-file "$demo/.port" --log "$demo/received.txt" --quiet &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

for _ in $(seq 100); do
    [[ -s $demo/.port ]] && break
    kill -0 "$server" 2>/dev/null || { echo "run_demo: the demo server did not start" >&2; exit 1; }
    sleep 0.1
done
[[ -s $demo/.port ]] || { echo "run_demo: the demo server did not start" >&2; exit 1; }
port=$(cat "$demo/.port")

"$here/prepare_demo.sh" "$demo" "http://127.0.0.1:$port/orders/enter.cgi" "$build/torvane-cli"

cat <<TEXT

Torvane is starting in $demo.
Choose Process > Send Data and answer Yes: the 36 orders of orders.txt go to the demo server
(one per second or two). One is refused for its missing ZIP code, one shows a cross-walk warning.
Submissions received: $demo/received.txt, or http://127.0.0.1:$port/ in a browser.
Close Torvane to stop the demo server.

TEXT
cd "$demo"
"$build/torvane"
