#!/usr/bin/python3
"""A minimal WSP client for checking the test gateway, independent of the
browser's own stack.

  wsp_probe.py [--host H] [--mode cl|co] [--sdu N] [--post DATA]
               [--out FILE] [--expect-status S] [--expect-type T]
               [--timeout SEC] [--tries N] [--accept-charset MIB] URL...

cl: connectionless WSP to port 9200 (one datagram each way).
co: a WTP class-2 session on port 9201: Connect, then each request, then
    Disconnect. Acks the gateway's Results and answers its Tve with Tok.

For each URL prints "status 0xSS type 0xTT length N" and, with --out, writes
the body. Exit status 0 when every reply came and met the expectations,
1 when one did not, 2 when a reply did not come in time.
"""

import argparse
import os
import random
import socket
import sys
import time

ACCEPT = (0x94, 0x95, 0xA1)          # wmlc, wmlscriptc, vnd.wap.wbmp
USER_AGENT = b"Tovrin-probe/1"
FORM_TYPE = 0x92                     # application/x-www-form-urlencoded


class ProbeError(Exception):
    pass


def uintvar(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def readUintvar(data, pos):
    value = 0
    for i in range(5):
        if pos >= len(data):
            raise ProbeError("uintvar past the end")
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos
    raise ProbeError("uintvar too long")


gAcceptCharset = None                # MIBenum asked for, or none


def requestHeaders():
    out = b""
    if gAcceptCharset is not None:
        out += bytes((0x81, 0x80 | gAcceptCharset))  # Accept-Charset
    for t in ACCEPT:
        out += bytes((0x80, t))                     # Accept
    out += b"\xa9" + USER_AGENT + b"\x00"           # User-Agent
    return out


def methodPdu(url, post):
    uri = url.encode("latin-1")
    if post is None:
        return b"\x40" + uintvar(len(uri)) + uri + requestHeaders()
    heads = bytes((FORM_TYPE,)) + requestHeaders()
    return (b"\x60" + uintvar(len(uri)) + uintvar(len(heads)) + uri + heads
            + post.encode("latin-1"))


def parseContentType(heads):
    if not heads:
        return None
    b = heads[0]
    if b & 0x80:
        return b & 0x7F
    if b <= 30 or b == 31:                          # general form
        if b == 31:
            length, pos = readUintvar(heads, 1)
        else:
            length, pos = b, 1
        if pos < len(heads) and heads[pos] & 0x80:
            return heads[pos] & 0x7F
        return heads[pos:pos + length].split(b"\0")[0].decode("latin-1")
    return heads.split(b"\0")[0].decode("latin-1")


def parseReply(pdu):
    if len(pdu) < 2 or pdu[0] != 0x04:
        raise ProbeError("not a Reply PDU: %s" % pdu[:8].hex())
    status = pdu[1]
    hlen, pos = readUintvar(pdu, 2)
    if pos + hlen > len(pdu):
        raise ProbeError("headers past the end")
    heads = pdu[pos:pos + hlen]
    return status, parseContentType(heads), heads, pdu[pos + hlen:]


def receive(sock, deadline):
    sock.settimeout(max(0.01, deadline - time.monotonic()))
    try:
        data, _ = sock.recvfrom(65536)
    except socket.timeout:
        return None
    return data


# ---- connectionless -------------------------------------------------------

def connectionless(sock, host, url, post, timeout, tries):
    pdu = methodPdu(url, post)
    for _ in range(tries):
        tid = random.randrange(256)
        sock.sendto(bytes((tid,)) + pdu, (host, 9200))
        deadline = time.monotonic() + timeout
        while True:
            data = receive(sock, deadline)
            if data is None:
                break
            if data and data[0] == tid:
                return parseReply(data[1:])
    return None


# ---- connection-oriented over WTP ----------------------------------------

class Wtp:
    def __init__(self, sock, host):
        self.sock = sock
        self.addr = (host, 9201)
        self.tid = random.randrange(0x100, 0x7000)
        self.first = True

    def invoke(self, user, cls, timeout, tries=4):
        self.tid = (self.tid + 1) & 0x7FFF
        tidnew = 0x20 if self.first else 0
        self.first = False
        head = bytes((0x0E, self.tid >> 8, self.tid & 0xFF, tidnew | cls))
        sent = head + user
        self.sock.sendto(sent, self.addr)
        if cls == 0:
            return None
        deadline = time.monotonic() + timeout
        resends = 0
        while True:
            data = receive(self.sock, min(deadline, time.monotonic() + 2.0))
            if data is None:
                if time.monotonic() >= deadline or resends >= tries:
                    return None
                resends += 1
                self.sock.sendto(bytes((sent[0] | 1,)) + sent[1:], self.addr)
                continue
            if len(data) < 3:
                continue
            kind = (data[0] >> 3) & 0x0F
            tid = ((data[1] << 8) | data[2]) & 0x7FFF
            if tid != self.tid:
                continue
            if kind == 3 and data[0] & 0x04:      # Ack with Tve: answer Tok
                self.sock.sendto(bytes((0x1C, self.tid >> 8, self.tid & 0xFF)),
                                 self.addr)
            elif kind == 4:                        # Abort
                raise ProbeError("transaction aborted, reason 0x%02x"
                                 % (data[3] if len(data) > 3 else 0))
            elif kind == 2:                        # Result: ack it
                pos = 3
                if data[0] & 0x80:                 # skip TPIs
                    while pos < len(data):
                        b = data[pos]
                        if b & 0x04:
                            if pos + 1 >= len(data):
                                raise ProbeError("TPI past the end")
                            tlen = data[pos + 1]
                            pos += 2 + tlen
                        else:
                            pos += 1 + (b & 0x03)
                        if not b & 0x80:
                            break
                self.sock.sendto(bytes((0x18, self.tid >> 8, self.tid & 0xFF)),
                                 self.addr)
                return data[pos:]


def capability(ident, value):
    body = bytes((0x80 | ident,)) + value
    return uintvar(len(body)) + body


def connectOriented(sock, host, urls, post, sdu, timeout, report):
    wtp = Wtp(sock, host)
    caps = capability(0x00, uintvar(sdu)) + capability(0x01, uintvar(sdu))
    heads = requestHeaders()
    connect = (b"\x01\x10" + uintvar(len(caps)) + uintvar(len(heads))
               + caps + heads)
    reply = wtp.invoke(connect, 2, timeout)
    if reply is None:
        return False
    if not reply or reply[0] != 0x02:
        raise ProbeError("Connect not answered by ConnectReply: %s"
                         % reply[:8].hex())
    session, _ = readUintvar(reply, 1)
    ok = True
    for url in urls:
        data = wtp.invoke(methodPdu(url, post), 2, timeout)
        if data is None:
            return False
        ok = report(url, parseReply(data)) and ok
    wtp.invoke(b"\x05" + uintvar(session), 0, timeout)
    return ok


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--mode", choices=("cl", "co"), default="cl")
    ap.add_argument("--sdu", type=int, default=1400)
    ap.add_argument("--post")
    ap.add_argument("--out")
    ap.add_argument("--expect-status")
    ap.add_argument("--expect-type")
    ap.add_argument("--timeout", type=float, default=5.0)
    ap.add_argument("--tries", type=int, default=1)
    ap.add_argument("--quiet", action="store_true")
    ap.add_argument("--accept-charset", type=int, choices=range(128))
    ap.add_argument("urls", nargs="+")
    args = ap.parse_args()
    global gAcceptCharset
    gAcceptCharset = args.accept_charset

    def report(url, reply):
        status, ctype, heads, body = reply
        ctext = "0x%02x" % (ctype | 0x80) if isinstance(ctype, int) else repr(ctype)
        if not args.quiet:
            print("status 0x%02x type %s length %d  %s"
                  % (status, ctext, len(body), url), flush=True)
        if args.out:
            with open(args.out, "wb") as f:
                f.write(body)
        good = True
        if args.expect_status and status != int(args.expect_status, 0):
            good = False
        if args.expect_type and ctext != "0x%02x" % int(args.expect_type, 0):
            good = False
        if not good:
            print("unexpected reply for %s (headers %s)" % (url, heads.hex()),
                  file=sys.stderr)
        return good

    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))
    try:
        if args.mode == "cl":
            ok = True
            for url in args.urls:
                reply = connectionless(sock, args.host, url, args.post,
                                       args.timeout, args.tries)
                if reply is None:
                    print("no reply for %s" % url, file=sys.stderr)
                    return 2
                ok = report(url, reply) and ok
        else:
            ok = connectOriented(sock, args.host, args.urls, args.post,
                                 args.sdu, args.timeout, report)
            if ok is False and not args.quiet:
                pass
    except ProbeError as e:
        print("probe: %s" % e, file=sys.stderr)
        return 1
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
