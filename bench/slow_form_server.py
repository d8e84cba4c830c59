#!/usr/bin/env python3
"""A loopback form server for the connection benchmark and the kill trial: many connections at once,
HTTP/1.1 keep-alive, each POST answered after --delay seconds with the confirmation text. Every request
is appended to --log as one line: arrival time, reply time, the body (as sent, urlencoded)."""
import argparse
import http.server
import threading
import time


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file", required=True)
    p.add_argument("--log", required=True)
    p.add_argument("--delay", type=float, default=0.2)
    p.add_argument("--text", default="Thank you for your order")
    args = p.parse_args()
    lock = threading.Lock()
    log = open(args.log, "a", buffering=1)

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *a):
            pass

        def do_GET(self):
            self.answer(b"<html><body>form</body></html>")

        def do_POST(self):
            arrived = time.time()
            body = self.rfile.read(int(self.headers.get("Content-Length", "0") or 0))
            time.sleep(args.delay)
            self.answer(("<html><body>%s</body></html>" % args.text).encode())
            with lock:
                log.write("%.6f %.6f %s\n" % (arrived, time.time(), body.decode("latin-1")))

        def answer(self, page):
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True
        request_queue_size = 128  # many connections open at once

    server = Server(("127.0.0.1", args.port), Handler)
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    import os
    os.rename(args.port_file + ".tmp", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
