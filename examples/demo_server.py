#!/usr/bin/env python3
"""A small order-entry server for trying Torvane out: it accepts every submission, answers with a
thank-you page and appends what it received to a file. It listens on 127.0.0.1 only.

    python3 examples/demo_server.py --port 8765 --log received.txt

--port 0 picks a free port; --port-file FILE then tells which one (written once the server listens).
GET / shows the submissions received so far.
"""

import argparse
import html
import json
import os
import signal
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, HTTPServer

THANK_YOU = "Thank you for your order"
MAX_BODY = 1 << 20  # an order form never needs more; a bigger body is refused, not read


class Submissions:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        self.count = 0

    def add(self, method, target, fields):
        with self.lock:
            self.count += 1
            record = {"n": self.count, "time": time.strftime("%Y-%m-%d %H:%M:%S"),
                      "method": method, "path": target, "fields": fields}
            with open(self.path, "a", encoding="utf-8") as f:
                f.write(json.dumps(record, ensure_ascii=False) + "\n")
            return self.count

    def all(self):
        try:
            with open(self.path, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []


def parse_fields(body):
    text = body.decode("latin-1")
    # A PUT carries one name=value pair per line; a POST body is form-encoded, where line breaks are
    # always escaped.
    if "\n" in text.rstrip("\r\n"):
        fields = {}
        for line in text.splitlines():
            name, sep, value = line.partition("=")
            if sep:
                fields[name] = value
        return fields
    return dict(urllib.parse.parse_qsl(text.strip(), keep_blank_values=True, encoding="latin-1"))


class Handler(BaseHTTPRequestHandler):
    server_version = "BrightwaterOrderDesk/1.0"
    submissions = None  # set by main()
    quiet = False

    def log_message(self, fmt, *args):
        if not self.quiet:
            sys.stderr.write("demo server: " + (fmt % args) + "\n")

    def _page(self, status, title, body_html):
        page = ("<HTML><HEAD><TITLE>%s</TITLE></HEAD><BODY>\n%s\n</BODY></HTML>\n"
                % (html.escape(title), body_html)).encode("latin-1", "replace")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=iso-8859-1")
        self.send_header("Content-Length", str(len(page)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(page)
        self.close_connection = True

    def _submission(self):
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            length = -1
        if length < 0 or length > MAX_BODY:
            self._page(413, "Refused", "<P>Submission too large.</P>")
            return
        body = self.rfile.read(length) if length else b""
        fields = parse_fields(body)
        if not fields and self.command == "GET":
            query = urllib.parse.urlsplit(self.path).query
            fields = dict(urllib.parse.parse_qsl(query, keep_blank_values=True, encoding="latin-1"))
        n = self.submissions.add(self.command, self.path, fields)
        order = fields.get("orderno", "")
        self._page(200, "Order Entered",
                   "<H2>%s!</H2><P>Order %s was entered as submission %d.</P>"
                   % (THANK_YOU, html.escape(order), n))

    def do_POST(self):
        self._submission()

    def do_PUT(self):
        self._submission()

    def do_GET(self):
        if urllib.parse.urlsplit(self.path).path not in ("", "/"):
            self._submission()
            return
        rows = []
        for rec in self.submissions.all():
            f = rec.get("fields", {})
            rows.append("<TR><TD>%d</TD><TD>%s</TD><TD>%s</TD></TR>" % (
                rec.get("n", 0), html.escape(rec.get("time", "")),
                html.escape(", ".join("%s=%s" % kv for kv in f.items()))))
        self._page(200, "Submissions received",
                   "<H2>Submissions received: %d</H2><TABLE BORDER=1>%s</TABLE>" % (len(rows), "".join(rows)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8765)
    parser.add_argument("--log", default="received.txt", help="file the submissions are appended to")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--quiet", action="store_true", help="do not log each request")
    args = parser.parse_args()

    Handler.submissions = Submissions(os.path.abspath(args.log))
    Handler.quiet = args.quiet
    server = HTTPServer(("127.0.0.1", args.port), Handler)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    sys.stderr.write("demo server: listening on http://127.0.0.1:%d/ (submissions go to %s)\n"
                     % (port, args.log))
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    server.server_close()


if __name__ == "__main__":
    main()
