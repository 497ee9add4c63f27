#!/usr/bin/python3
"""Submits a push to the test gateway's push proxy: a PAP submission (HTTP
POST of a multipart/related body: the PAP control entity, then a Service
Indication naming URL). The proxy compiles the indication and sends it as
a connectionless WSP Push from its port 9200 to port 2948 of the client.

  push.py [--env RUN/gateway.env] [--ppg URL] [--user U --password P]
          [--client 127.0.0.1] [--text TEXT] [--id PUSHID] URL

The proxy's address and the user come from gateway.env (TOVRIN_PPG,
TOVRIN_PPG_USER, TOVRIN_PPG_PASSWORD) unless given. Prints the PAP
response code; exit status 0 when the proxy accepted the push for
processing (1001), 1 when it answered otherwise, 2 when it could not be
reached.
"""

import argparse
import base64
import http.client
import re
import sys
import time
import urllib.parse
from xml.sax.saxutils import escape, quoteattr

BOUNDARY = "tovrin-push-boundary"
ACCEPTED = "1001"


def readEnv(path):
    facts = {}
    with open(path) as f:
        for line in f:
            key, sep, value = line.strip().partition("=")
            if sep:
                facts[key] = value
    return facts


def papEntity(pushId, client):
    address = "WAPPUSH=%s/TYPE=IPv4@ppg.tovrin.test" % client
    return ('<?xml version="1.0"?>\r\n'
            '<!DOCTYPE pap PUBLIC "-//WAPFORUM//DTD PAP 1.0//EN"'
            ' "http://www.wapforum.org/DTD/pap_1.0.dtd">\r\n'
            '<pap>\r\n'
            '<push-message push-id=%s progress-notes-requested="false">\r\n'
            '<address address-value=%s></address>\r\n'
            '<quality-of-service delivery-method="unconfirmed"'
            ' network="GSM" bearer="CSD"></quality-of-service>\r\n'
            '</push-message>\r\n'
            '</pap>\r\n') % (quoteattr(pushId), quoteattr(address))


def serviceIndication(url, pushId, text):
    return ('<?xml version="1.0"?>\r\n'
            '<!DOCTYPE si PUBLIC "-//WAPFORUM//DTD SI 1.0//EN"'
            ' "http://www.wapforum.org/DTD/si.dtd">\r\n'
            '<si><indication href=%s si-id=%s action="signal-medium">%s'
            '</indication></si>\r\n') % (quoteattr(url), quoteattr(pushId), escape(text))


def body(url, pushId, client, text):
    parts = [
        ("application/xml", papEntity(pushId, client)),
        ("text/vnd.wap.si", serviceIndication(url, pushId, text)),
    ]
    out = ""
    for contentType, content in parts:
        out += "--%s\r\nContent-Type: %s\r\n\r\n%s\r\n" % (BOUNDARY, contentType, content)
    return (out + "--%s--\r\n" % BOUNDARY).encode("utf-8")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("url")
    ap.add_argument("--env")
    ap.add_argument("--ppg")
    ap.add_argument("--user")
    ap.add_argument("--password")
    ap.add_argument("--client", default="127.0.0.1")
    ap.add_argument("--text", default="Tovrin test push")
    ap.add_argument("--id")
    ap.add_argument("--timeout", type=float, default=10)
    args = ap.parse_args()

    facts = readEnv(args.env) if args.env else {}
    ppg = args.ppg or facts.get("TOVRIN_PPG")
    user = args.user or facts.get("TOVRIN_PPG_USER")
    password = args.password or facts.get("TOVRIN_PPG_PASSWORD")
    if not ppg:
        ap.error("no push proxy: give --ppg or --env")
    # Push ids must differ between submissions: the proxy refuses a repeat.
    pushId = args.id or "%d.%d@tovrin.test" % (time.time_ns(), id(args))

    target = urllib.parse.urlsplit(ppg)
    headers = {
        "Content-Type": 'multipart/related; boundary=%s; type="application/xml"' % BOUNDARY,
        "X-WAP-Application-Id": "http://www.wapforum.org/push/browser",
    }
    if user:
        token = base64.b64encode(("%s:%s" % (user, password or "")).encode()).decode()
        headers["Authorization"] = "Basic " + token
    try:
        conn = http.client.HTTPConnection(target.hostname, target.port or 80, timeout=args.timeout)
        conn.request("POST", target.path or "/", body(args.url, pushId, args.client, args.text), headers)
        reply = conn.getresponse()
        answer = reply.read().decode("utf-8", "replace")
    except OSError as e:
        print("push: cannot reach %s: %s" % (ppg, e), file=sys.stderr)
        return 2
    found = re.search(r'code\s*=\s*"(\d+)"', answer)
    code = found.group(1) if found else "none"
    print("push %s http %d pap %s" % (pushId, reply.status, code))
    if code != ACCEPTED:
        print(answer, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
