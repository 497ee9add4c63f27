#!/usr/bin/python3
"""A lossy UDP relay between the browser and the test gateway.

Listens on LISTEN_HOST at each of the gateway's ports (9200 and 9201 by
default) and forwards to the same port on TARGET_HOST, so the browser is
simply pointed at another loopback address (127.0.0.2) and replies come
back from the address and port it sent to. Each client address gets its
own upstream socket, so the gateway sees one peer per client.

Every datagram, in the directions chosen, is dropped, duplicated or held
back and sent after the next one (reordered), by a random generator with a
fixed seed: the same seed and the same traffic give the same decisions.

  relay.py [--listen-host 127.0.0.2] [--target-host 127.0.0.1]
           [--ports 9200,9201] [--seed N] [--loss P] [--dup P]
           [--reorder P] [--direction both|up|down] [--hold-ms 50]
           [--pid-file F] [--log F]

SIGUSR1 drops everything from then on (the gateway seems gone), SIGUSR2
ends that. SIGTERM or SIGINT stops; the log ends with one "totals" line.
The log has one line a datagram: "DIR PORT LENGTH ACTION".
"""

import argparse
import os
import random
import selectors
import signal
import socket
import sys
import time

MAX_DATAGRAM = 65535
IDLE_CLIENT_SECONDS = 600

gBlackhole = False      # SIGUSR1: the path is down
gStop = False           # SIGTERM/SIGINT: leave the loop


class Relay:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.sel = selectors.DefaultSelector()
        self.listeners = {}      # port -> listening socket
        self.upstream = {}       # (port, client address) -> socket
        self.clientOf = {}       # upstream socket -> (port, client address)
        self.lastSeen = {}       # upstream socket -> monotonic time
        self.held = []           # (due, direction, socket, data, address)
        self.totals = {"forward": 0, "drop": 0, "dup": 0, "reorder": 0}
        self.log = open(args.log, "a", buffering=1) if args.log else None
        for port in args.ports:
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.bind((args.listen_host, port))
            s.setblocking(False)
            self.listeners[port] = s
            self.sel.register(s, selectors.EVENT_READ, ("listen", port))

    def note(self, direction, port, length, action):
        self.totals[action] += 1
        if self.log:
            self.log.write("%s %d %d %s\n" % (direction, port, length, action))

    def applies(self, direction):
        return self.args.direction in ("both", direction)

    def send(self, direction, port, sock, data, address):
        """Forward one datagram through the loss model."""
        if gBlackhole:
            self.note(direction, port, len(data), "drop")
            return
        if self.applies(direction):
            r = self.rng.random()
            a = self.args
            if r < a.loss:
                self.note(direction, port, len(data), "drop")
                return
            if r < a.loss + a.dup:
                self.note(direction, port, len(data), "dup")
                self.transmit(sock, data, address)
            elif r < a.loss + a.dup + a.reorder:
                self.note(direction, port, len(data), "reorder")
                due = time.monotonic() + a.hold_ms / 1000.0
                self.held.append((due, direction, sock, data, address))
                return
        self.note(direction, port, len(data), "forward")
        self.transmit(sock, data, address)
        # A held datagram goes out after the one that overtook it.
        self.releaseHeld(direction, force=True)

    def transmit(self, sock, data, address):
        try:
            sock.sendto(data, address)
        except OSError:
            pass

    def releaseHeld(self, direction=None, force=False):
        now = time.monotonic()
        keep = []
        for item in self.held:
            due, d, sock, data, address = item
            if (force and d == direction) or due <= now:
                self.transmit(sock, data, address)
            else:
                keep.append(item)
        self.held = keep

    def upstreamFor(self, port, client):
        key = (port, client)
        s = self.upstream.get(key)
        if s is None:
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.bind((self.args.target_host, 0))
            s.setblocking(False)
            self.upstream[key] = s
            self.clientOf[s] = key
            self.sel.register(s, selectors.EVENT_READ, ("up", port))
        self.lastSeen[s] = time.monotonic()
        return s

    def dropIdleClients(self):
        now = time.monotonic()
        for s, seen in list(self.lastSeen.items()):
            if now - seen > IDLE_CLIENT_SECONDS:
                self.sel.unregister(s)
                del self.upstream[self.clientOf.pop(s)]
                del self.lastSeen[s]
                s.close()

    def onReadable(self, sock, kind, port):
        try:
            data, address = sock.recvfrom(MAX_DATAGRAM)
        except OSError:
            return
        if kind == "listen":
            up = self.upstreamFor(port, address)
            self.send("up", port, up, data, (self.args.target_host, port))
        else:
            _, client = self.clientOf[sock]
            self.lastSeen[sock] = time.monotonic()
            self.send("down", port, self.listeners[port], data, client)

    def loop(self):
        while not gStop:
            timeout = 1.0
            if self.held:
                timeout = max(0.0, min(h[0] for h in self.held) - time.monotonic())
            for key, _ in self.sel.select(timeout):
                kind, port = key.data
                self.onReadable(key.fileobj, kind, port)
            self.releaseHeld()
            self.dropIdleClients()
        if self.log:
            t = self.totals
            self.log.write("totals forward %d drop %d dup %d reorder %d\n"
                           % (t["forward"], t["drop"], t["dup"], t["reorder"]))


def onSignal(signum, frame):
    global gBlackhole, gStop
    if signum == signal.SIGUSR1:
        gBlackhole = True
    elif signum == signal.SIGUSR2:
        gBlackhole = False
    else:
        gStop = True


def probability(text):
    p = float(text)
    if not 0.0 <= p <= 1.0:
        raise argparse.ArgumentTypeError("a probability is between 0 and 1")
    return p


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--listen-host", default="127.0.0.2")
    ap.add_argument("--target-host", default="127.0.0.1")
    ap.add_argument("--ports", default="9200,9201")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--loss", type=probability, default=0.0)
    ap.add_argument("--dup", type=probability, default=0.0)
    ap.add_argument("--reorder", type=probability, default=0.0)
    ap.add_argument("--direction", choices=("both", "up", "down"), default="both")
    ap.add_argument("--hold-ms", type=float, default=50.0)
    ap.add_argument("--pid-file")
    ap.add_argument("--log")
    args = ap.parse_args()
    args.ports = [int(p) for p in args.ports.split(",") if p]
    if args.loss + args.dup + args.reorder > 1.0:
        ap.error("loss + dup + reorder must not exceed 1")
    if not (args.listen_host.startswith("127.") and args.target_host.startswith("127.")):
        ap.error("the relay stays on loopback")

    for s in (signal.SIGUSR1, signal.SIGUSR2, signal.SIGTERM, signal.SIGINT):
        signal.signal(s, onSignal)
    relay = Relay(args)
    if args.pid_file:
        with open(args.pid_file, "w") as f:
            f.write("%d\n" % os.getpid())
    print("relay: %s:%s -> %s, seed %d, loss %.2f dup %.2f reorder %.2f"
          % (args.listen_host, ",".join(map(str, args.ports)), args.target_host,
             args.seed, args.loss, args.dup, args.reorder), flush=True)
    relay.loop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
