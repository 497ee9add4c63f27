#!/usr/bin/python3
"""The HTTP origin behind the test gateway.

Serves a directory with the WAP MIME types, on 127.0.0.1 only, plus a few
generated pages the end-to-end tests need:

  /echo.wml        a deck showing the method, query, content type, body and
                   form fields the request carried (GET or POST)
  /slow.wml?s=N    a deck answered after N seconds (at most 120)
  /blob?n=N        exactly N bytes of image/vnd.wap.wbmp (a valid WBMP
                   header where N allows), for the data unit size limits
  /deck?n=N        a compiled deck (application/vnd.wap.wmlc) of exactly N
                   bytes (at least 13), one card of one paragraph
  /redirect?to=U   302 to U
  /status?code=N   an empty text/plain answer with status N

A served file's content type gets "; charset=X" when the query holds
charset=X, so one deck can be served with and without the label.

Every request is appended to the request log, one JSON object a line
(method, path, headers, body as latin-1 text), so tests can see what the
gateway forwarded.

  origin.py --root DIR --port PORT [--bind 127.0.0.1] [--log FILE]
"""

import argparse
import html
import json
import os
import posixpath
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MIME_TYPES = {
    ".wml": "text/vnd.wap.wml",
    ".wmls": "text/vnd.wap.wmlscript",
    ".wbmp": "image/vnd.wap.wbmp",
    ".wmlc": "application/vnd.wap.wmlc",
    ".wmlsc": "application/vnd.wap.wmlscriptc",
    ".html": "text/html",
    ".htm": "text/html",
    ".txt": "text/plain",
}

MAX_BODY = 1 << 20
MAX_SLOW_SECONDS = 120
MAX_BLOB = 1 << 20

gRoot = "."
gLogFile = None
gLogLock = threading.Lock()


def wmlText(text):
    """Deck text: XML-escaped, '$' doubled so the gateway's compiler does
    not take it for a variable, control bytes shown as '?'."""
    text = "".join(c if c >= " " or c in "\t" else "?" for c in text)
    return html.escape(text, quote=True).replace("$", "$$")


def uintvar(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def wbmpOfSize(n):
    """n bytes: type 0 WBMP, 8 pixels wide, as many rows as fit; sizes too
    small for a header are plain zero bytes."""
    for height in range(max(n - 4, 0), max(n - 10, -1), -1):
        head = b"\x00\x00" + uintvar(8) + uintvar(height)
        if len(head) + height == n:
            return head + bytes((0x55 if i % 2 else 0xAA) for i in range(height))
    return bytes(n)


class Handler(BaseHTTPRequestHandler):
    server_version = "TovrinOrigin/1"
    protocol_version = "HTTP/1.0"
    # The status line, headers and body leave as separate small writes:
    # with Nagle's algorithm on, the peer's delayed ACK holds the body back
    # some 40 ms.
    disable_nagle_algorithm = True

    def log_message(self, format, *args):  # quiet: the request log has it
        pass

    def readBody(self):
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = 0
        length = max(0, min(length, MAX_BODY))
        return self.rfile.read(length) if length else b""

    def logRequest(self, body):
        record = {
            "time": time.time(),
            "method": self.command,
            "path": self.path,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": body.decode("latin-1"),
        }
        with gLogLock:
            if gLogFile:
                with open(gLogFile, "a", encoding="utf-8") as f:
                    f.write(json.dumps(record) + "\n")

    def answer(self, status, ctype, body, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.handle_any(b"")

    def do_GET(self):
        self.handle_any(b"")

    def do_POST(self):
        self.handle_any(self.readBody())

    def handle_any(self, body):
        self.logRequest(body)
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        route = ROUTES.get(url.path)
        if route:
            route(self, url, query, body)
        else:
            self.serveFile(url.path, query.get("charset", [""])[0])

    def serveFile(self, path, charset=""):
        rel = posixpath.normpath(urllib.parse.unquote(path)).lstrip("/")
        if rel.startswith("..") or "\0" in rel:
            self.answer(400, "text/plain", b"")
            return
        full = os.path.join(gRoot, rel)
        if os.path.isdir(full):
            full = os.path.join(full, "index.wml")
        ext = os.path.splitext(full)[1].lower()
        try:
            with open(full, "rb") as f:
                data = f.read()
        except OSError:
            self.answer(404, "text/plain", b"")
            return
        ctype = MIME_TYPES.get(ext, "application/octet-stream")
        if charset.replace("-", "").isalnum():
            ctype += "; charset=" + charset
        self.answer(200, ctype, data)


def echoPage(h, url, query, body):
    ctype = h.headers.get("Content-Type", "")
    lines = ["method=" + h.command, "query=" + url.query,
             "content-type=" + ctype, "body=" + body.decode("latin-1")]
    fields = []
    if url.query:
        fields += urllib.parse.parse_qsl(url.query, keep_blank_values=True)
    if body and ctype.startswith("application/x-www-form-urlencoded"):
        fields += urllib.parse.parse_qsl(body.decode("latin-1"),
                                         keep_blank_values=True,
                                         encoding="latin-1")
    lines += ["field:%s=%s" % (k, v) for k, v in fields]
    paras = "\n".join("<p>%s</p>" % wmlText(line) for line in lines)
    deck = ('<?xml version="1.0"?>\n'
            '<!DOCTYPE wml PUBLIC "-//WAPFORUM//DTD WML 1.1//EN" '
            '"http://www.wapforum.org/DTD/wml_1.1.xml">\n'
            '<wml><card id="echo" title="Echo">\n%s\n</card></wml>\n' % paras)
    h.answer(200, MIME_TYPES[".wml"], deck.encode("latin-1", "replace"))


def slowPage(h, url, query, body):
    try:
        seconds = float(query.get("s", ["5"])[0])
    except ValueError:
        seconds = 5
    time.sleep(max(0.0, min(seconds, MAX_SLOW_SECONDS)))
    deck = ('<?xml version="1.0"?>\n'
            '<!DOCTYPE wml PUBLIC "-//WAPFORUM//DTD WML 1.1//EN" '
            '"http://www.wapforum.org/DTD/wml_1.1.xml">\n'
            '<wml><card id="slow" title="Slow"><p>late</p></card></wml>\n')
    h.answer(200, MIME_TYPES[".wml"], deck.encode())


def blobPage(h, url, query, body):
    try:
        n = int(query.get("n", ["0"])[0])
    except ValueError:
        n = 0
    n = max(0, min(n, MAX_BLOB))
    h.answer(200, MIME_TYPES[".wbmp"], wbmpOfSize(n))


def deckOfSize(n):
    """A WML 1.1 deck of n bytes: header, <wml><card><p>, one inline
    string of 'x' padded to fit, then the three ends."""
    text = b"x" * max(n - 12, 1)
    return b"\x01\x04\x04\x00" + b"\x7f\x67\x60\x03" + text + b"\x00\x01\x01\x01"


def deckPage(h, url, query, body):
    try:
        n = int(query.get("n", ["0"])[0])
    except ValueError:
        n = 0
    h.answer(200, MIME_TYPES[".wmlc"], deckOfSize(min(n, MAX_BLOB)))


def redirectPage(h, url, query, body):
    target = query.get("to", ["/"])[0]
    h.answer(302, "text/plain", b"", [("Location", target)])


def statusPage(h, url, query, body):
    try:
        code = int(query.get("code", ["500"])[0])
    except ValueError:
        code = 500
    if code < 200 or code > 599:
        code = 500
    h.answer(code, "text/plain", b"")


ROUTES = {
    "/echo.wml": echoPage,
    "/slow.wml": slowPage,
    "/blob": blobPage,
    "/deck": deckPage,
    "/redirect": redirectPage,
    "/status": statusPage,
}


def main():
    global gRoot, gLogFile
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--bind", default="127.0.0.1")
    ap.add_argument("--log")
    args = ap.parse_args()
    gRoot = os.path.abspath(args.root)
    gLogFile = args.log
    ThreadingHTTPServer.daemon_threads = True
    ThreadingHTTPServer.allow_reuse_address = True
    # The gateway opens a connection per request, several at once for a
    # deck's images; the default backlog of 5 drops the rest, which come
    # back only after TCP's one-second SYN retry.
    ThreadingHTTPServer.request_queue_size = 64
    server = ThreadingHTTPServer((args.bind, args.port), Handler)
    print("origin: serving %s on http://%s:%d/" % (gRoot, args.bind, args.port),
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
