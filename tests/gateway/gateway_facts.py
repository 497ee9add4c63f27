#!/usr/bin/python3
"""What the rest of the suite relies on the test gateway to do, asked with
the independent probe client: content types, the statuses of failures, the
data unit size limit, the echo page, and the lossy relay in front of it.

  gateway_facts.py RUNDIR
"""

import os
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = os.path.join(HERE, "..", "..", "scripts", "gateway")
sys.path.insert(0, SCRIPTS)
import wsp_probe  # noqa: E402

PY = "/usr/bin/python3"
ANY = None

# mode, path, post data, SDU, status, content type, body length, body holds
CASES = [
    ("cl", "index.wml", None, 0, 0x20, 0x14, ANY, b"Tovrin test site."),
    ("cl", "script.wmls", None, 0, 0x20, 0x15, ANY, ANY),
    ("cl", "logo.wbmp", None, 0, 0x20, 0x21, 132, ANY),
    ("cl", "missing.wml", None, 0, 0x44, 0x03, 0, ANY),
    ("cl", "page.html", None, 0, 0x46, 0x03, 0, ANY),
    ("cl", "echo.wml?q=1", None, 0, 0x20, 0x14, ANY, b"method=GET"),
    ("cl", "echo.wml", "name=Ann&colour=red", 0, 0x20, 0x14, ANY,
     b"field:name=Ann"),
    ("co", "index.wml", None, 1400, 0x20, 0x14, ANY, b"Tovrin test site."),
    ("co", "echo.wml", "name=Bob", 1400, 0x20, 0x14, ANY, b"field:name=Bob"),
    ("co", "redirect?to=/index.wml", None, 1400, 0x32, ANY, 0, ANY),
    # The gateway limits the body, not the PDU, to the Client-SDU-Size.
    ("co", "blob?n=1400", None, 1400, 0x20, 0x21, 1400, ANY),
    ("co", "blob?n=1401", None, 1400, 0x62, ANY, 0, ANY),
]


def fetch(host, mode, url, post, sdu):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))
    try:
        if mode == "cl":
            return wsp_probe.connectionless(sock, host, url, post, 2.0, 3)
        replies = []
        wsp_probe.connectOriented(sock, host, [url], post, sdu, 10.0,
                                  lambda u, r: replies.append(r) or True)
        return replies[0] if replies else None
    finally:
        sock.close()


def checkCase(host, origin, case):
    mode, path, post, sdu, status, ctype, length, holds = case
    reply = fetch(host, mode, origin + path, post, sdu)
    if reply is None:
        return "no reply"
    got_status, got_type, _, body = reply
    problems = []
    if got_status != status:
        problems.append("status 0x%02x, not 0x%02x" % (got_status, status))
    if ctype is not ANY and got_type != ctype:
        problems.append("type %r, not 0x%02x" % (got_type, ctype))
    if length is not ANY and len(body) != length:
        problems.append("length %d, not %d" % (len(body), length))
    if holds is not ANY and holds not in body:
        problems.append("body lacks %r" % holds)
    return "; ".join(problems)


def checkRelay(origin):
    """A relay that duplicates every datagram still lets one reply through
    per request; the probe ignores the duplicate."""
    log = os.path.join(os.environ.get("TMPDIR", "/tmp"),
                       "tovrin-relay-%d.log" % os.getpid())
    relay = subprocess.Popen([PY, os.path.join(SCRIPTS, "relay.py"),
                              "--seed", "3", "--dup", "1.0", "--log", log],
                             stdout=subprocess.DEVNULL)
    try:
        time.sleep(0.5)
        reply = fetch("127.0.0.2", "cl", origin + "index.wml", None, 0)
    finally:
        relay.terminate()
        relay.wait(10)
    with open(log) as f:
        lines = f.read().splitlines()
    os.unlink(log)
    if reply is None or reply[0] != 0x20:
        return "no deck through the relay"
    totals = lines[-1].split() if lines else []
    if totals[:1] != ["totals"] or int(totals[totals.index("dup") + 1]) < 2:
        return "relay log unexpected: %r" % lines[-1:]
    return ""


def main():
    env = {}
    with open(os.path.join(sys.argv[1], "gateway.env")) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            env[key] = value
    host, origin = env["TOVRIN_GATEWAY_HOST"], env["TOVRIN_ORIGIN"]
    failed = 0
    for case in CASES:
        problem = checkCase(host, origin, case)
        print("%-4s %-6s %-26s %s" % ("FAIL" if problem else "ok", case[0],
                                      case[1] + (" POST" if case[2] else ""),
                                      problem))
        failed += bool(problem)
    problem = checkRelay(origin)
    print("%-4s relay  %s" % ("FAIL" if problem else "ok", problem))
    failed += bool(problem)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
