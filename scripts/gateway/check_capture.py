#!/usr/bin/python3
"""Checks a capture of WAP traffic with tshark: fails when any WSP or WTP
packet is marked Malformed or carries an expert error, or when the capture
holds fewer WSP/WTP packets than expected (an empty capture proves nothing).

  check_capture.py FILE [--min-packets N] [--to-gateway-only]

--to-gateway-only judges only datagrams sent to ports 9200 and 9201 (what
the browser sends); by default both directions are judged.
Exit status 0 when clean, 1 when not, 2 when tshark cannot read the file.
"""

import argparse
import shutil
import subprocess
import sys

BAD = "(_ws.malformed || _ws.expert.severity >= error)"
WAP = "(wsp || wtp)"
TO_GATEWAY = "(udp.dstport == 9200 || udp.dstport == 9201)"
SHOW_AT_MOST = 5


def tshark(path, display_filter, *extra):
    cmd = ["tshark", "-n", "-r", path, "-Y", display_filter] + list(extra)
    done = subprocess.run(cmd, capture_output=True, text=True)
    if done.returncode != 0:
        sys.stderr.write(done.stderr)
        sys.exit(2)
    return [line for line in done.stdout.splitlines() if line.strip()]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("file")
    ap.add_argument("--min-packets", type=int, default=1)
    ap.add_argument("--to-gateway-only", action="store_true")
    args = ap.parse_args()
    if not shutil.which("tshark"):
        print("check_capture: tshark is not installed", file=sys.stderr)
        return 2

    scope = WAP + (" && " + TO_GATEWAY if args.to_gateway_only else "")
    total = len(tshark(args.file, scope))
    bad = tshark(args.file, scope + " && " + BAD, "-T", "fields",
                 "-e", "frame.number", "-e", "ip.src", "-e", "udp.srcport",
                 "-e", "ip.dst", "-e", "udp.dstport", "-e", "_ws.col.Info",
                 "-e", "_ws.expert.message")
    print("check_capture: %d WSP/WTP packets, %d malformed or in error"
          % (total, len(bad)))
    for line in bad[:SHOW_AT_MOST]:
        print("  " + line.replace("\t", " | "))
    for line in bad[:SHOW_AT_MOST]:
        frame = line.split("\t")[0]
        detail = tshark(args.file, "frame.number == " + frame, "-V", "-x",
                        "-O", "wtp,wsp")
        print("\n".join(detail[-60:]))
    if total < args.min_packets:
        print("check_capture: expected at least %d WSP/WTP packets"
              % args.min_packets, file=sys.stderr)
        return 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
