#!/usr/bin/env python3
"""A small order-entry server for trying Torvane out: it accepts every submission, answers with a
thank-you page and appends what it received to a file. It listens on 127.0.0.1 only.

    python3 examples/demo_server.py --port 8765 --log received.txt

--port 0 picks a free port; --port-file FILE then tells which one (written once the server listens).
GET / shows the submissions received so far.

With --login USER, the order desk sits behind a login (the password is read from the environment
variable DEMO_PASSWORD): POST /login with user and password sets a session cookie, GET
/orders/form.html shows the order form with a token of the session in its hidden formid field, and a
submission is taken only with the cookie and that token; without a session every page redirects to
/login. --session-orders N ends each session after N orders, to show a new login mid-run.
"""

import argparse
import html
import json
import os
import secrets
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


LOGIN_PAGE = ("<H2>Order desk login</H2>\n<FORM ACTION=\"/login\" METHOD=\"POST\">\n"
              "<P>User <INPUT TYPE=\"text\" NAME=\"user\"></P>\n"
              "<P>Password <INPUT TYPE=\"password\" NAME=\"password\"></P>\n"
              "<P><INPUT TYPE=\"submit\" VALUE=\"Log in\"></P>\n</FORM>")
FORM_PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "order_form.html")


class Sessions:
    """The sessions of the login mode: cookie value -> [token, orders taken]."""

    def __init__(self, user, password, orders_per_session):
        self.user, self.password, self.orders_per_session = user, password, orders_per_session
        self.lock = threading.Lock()
        self.open = {}

    def start(self):
        with self.lock:
            sid = secrets.token_hex(8)
            self.open[sid] = ["ORD-2-" + secrets.token_hex(4), 0]
            return sid

    def token(self, sid):
        with self.lock:
            entry = self.open.get(sid)
            return entry[0] if entry else None

    def took_order(self, sid):
        with self.lock:
            entry = self.open.get(sid)
            if entry is None:
                return
            entry[1] += 1
            if self.orders_per_session and entry[1] >= self.orders_per_session:
                del self.open[sid]


class Handler(BaseHTTPRequestHandler):
    server_version = "BrightwaterOrderDesk/1.0"
    submissions = None  # set by main()
    sessions = None  # set by main() in the login mode
    quiet = False

    def log_message(self, fmt, *args):
        if not self.quiet:
            sys.stderr.write("demo server: " + (fmt % args) + "\n")

    def _page(self, status, title, body_html, headers=(), raw=None):
        page = raw if raw is not None else (
            "<HTML><HEAD><TITLE>%s</TITLE></HEAD><BODY>\n%s\n</BODY></HTML>\n"
            % (html.escape(title), body_html)).encode("latin-1", "replace")
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/html; charset=iso-8859-1")
        self.send_header("Content-Length", str(len(page)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(page)
        self.close_connection = True

    def _body(self):
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            length = -1
        if length < 0 or length > MAX_BODY:
            self._page(413, "Refused", "<P>Submission too large.</P>")
            return None
        return self.rfile.read(length) if length else b""

    def _session(self):
        for part in (self.headers.get("Cookie") or "").split(";"):
            name, _, value = part.strip().partition("=")
            if name == "demo_session" and self.sessions.token(value):
                return value
        return None

    def _redirect(self, where, headers=()):
        self._page(302, "Moved", "", headers=list(headers) + [("Location", where)])

    def _login_mode(self):
        """Serves the login, the welcome page and the form page; True when the request is done with."""
        path = urllib.parse.urlsplit(self.path).path
        if path == "/login":
            if self.command != "POST":
                self._page(200, "Login", LOGIN_PAGE)
                return True
            body = self._body()
            if body is None:
                return True
            fields = dict(urllib.parse.parse_qsl(body.decode("latin-1").strip(), keep_blank_values=True,
                                                 encoding="latin-1"))
            if fields.get("user") != self.sessions.user or fields.get("password") != self.sessions.password:
                self._page(200, "Login", "<P>Login incorrect.</P>\n" + LOGIN_PAGE)
                return True
            sid = self.sessions.start()
            self._redirect("/welcome", [("Set-Cookie", "demo_session=%s; path=/" % sid)])
            return True
        if path in ("", "/"):
            return False
        sid = self._session()
        if sid is None:
            self._redirect("/login")
            return True
        if path == "/welcome":
            self._page(200, "Welcome", "<P>Welcome, %s.</P>" % html.escape(self.sessions.user))
            return True
        if path == "/orders/form.html":
            with open(FORM_PAGE, "rb") as f:
                page = f.read().replace(b'VALUE="ORD-2"', b'VALUE="%s"' % self.sessions.token(sid).encode())
            self._page(200, "", "", raw=page)
            return True
        return False

    def _submission(self):
        sid = None
        if self.sessions is not None:
            sid = self._session()
        body = self._body()
        if body is None:
            return
        fields = parse_fields(body)
        if not fields and self.command == "GET":
            query = urllib.parse.urlsplit(self.path).query
            fields = dict(urllib.parse.parse_qsl(query, keep_blank_values=True, encoding="latin-1"))
        if self.sessions is not None:
            if fields.get("formid") != self.sessions.token(sid):
                self._page(403, "Refused", "<P>This form has expired. Reload it and try again.</P>")
                return
            self.sessions.took_order(sid)
        n = self.submissions.add(self.command, self.path, fields)
        order = fields.get("orderno", "")
        self._page(200, "Order Entered",
                   "<H2>%s!</H2><P>Order %s was entered as submission %d.</P>"
                   % (THANK_YOU, html.escape(order), n))

    def do_POST(self):
        if self.sessions is None or not self._login_mode():
            self._submission()

    def do_PUT(self):
        if self.sessions is None or not self._login_mode():
            self._submission()

    def do_GET(self):
        if self.sessions is not None and self._login_mode():
            return
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
    parser.add_argument("--login", metavar="USER",
                        help="put the order desk behind a login (password: $DEMO_PASSWORD)")
    parser.add_argument("--session-orders", type=int, default=0, metavar="N",
                        help="in the login mode, end each session after N orders")
    args = parser.parse_args()
    if args.login:
        password = os.environ.get("DEMO_PASSWORD")
        if not password:
            parser.error("--login needs the password in the environment variable DEMO_PASSWORD")
        Handler.sessions = Sessions(args.login, password, args.session_orders)

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
