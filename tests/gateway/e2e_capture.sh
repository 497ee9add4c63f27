#!/usr/bin/env bash
# The exchange capture through the test gateway, on one port. A browsing
# run with --capture is read back by tshark: no malformed packet, good
# checksums, and the Get URIs are the pages and the image the run visited,
# as the exchange command lists them too. A capture that cannot be opened,
# a full disk and a size limit reached half-way each give one message, and
# browsing goes on.
#   e2e_capture.sh TOVRIN GATEWAY_ENV PORT SCRIPTS_DIR
set -u
tovrin=$1 port=$3 scripts=$4
. "$2"
home=$(mktemp -d /tmp/tovrin-e2e-capture-XXXXXX)
trap 'rm -rf "$home"' EXIT
visited="nav.wml second.wml index.wml logo.wbmp"
status=0
fail() { echo "FAIL port $port: $*"; status=1; }

# The visit with --capture FILE; its output on stdout, its errors in err.
browse() {
  rm -rf "$home/h"
  printf '%s\n' "go ${TOVRIN_ORIGIN}nav.wml" wait "click-link Other deck" wait "go ${TOVRIN_ORIGIN}index.wml" wait \
    exchange quit |
    "$tovrin" --home "$home/h" --headless --gateway "$TOVRIN_GATEWAY_HOST" --port "$port" --capture "$1" 2>"$home/err"
}

# Each request once (a resent one keeps its transaction id), origin cut off.
listedGets() { awk '$3 == "out" && $6 == "Get" && !seen[$5 " " $7]++ { print $7 }' | sed "s|^$TOVRIN_ORIGIN||" | xargs; }
capturedGets() {
  tshark -n -r "$1" -Y "wsp.pdu_type == 0x40" -T fields -e wtp.TID -e wsp.TID -e wsp.uri 2>/dev/null |
    awk -F'\t' '!seen[$0]++ { print $3 }' | sed "s|^$TOVRIN_ORIGIN||" | xargs
}

out=$(browse "$home/c.pcap")
[ "$(echo "$out" | listedGets)" = "$visited" ] || fail "exchange lists: $(echo "$out" | grep '^exchange')"
python3 "$scripts/check_capture.py" --min-packets 8 "$home/c.pcap" || fail "tshark finds the capture bad"
[ "$(capturedGets "$home/c.pcap")" = "$visited" ] || fail "the capture's Gets: $(capturedGets "$home/c.pcap")"
bad=$(tshark -n -r "$home/c.pcap" -o ip.check_checksum:TRUE -o udp.check_checksum:TRUE \
  -Y "ip.checksum.status != 1 || udp.checksum.status != 1" 2>/dev/null)
[ -z "$bad" ] || fail "bad checksums: $bad"

# The file cannot be opened, the disk is full, the file may not grow past
# 1 KiB (its size limit signal ignored, so that the write fails instead).
for target in "$home/no/such/dir/c.pcap" /dev/full "$home/small.pcap"; do
  if [ "$target" = "$home/small.pcap" ]; then
    out=$(trap '' XFSZ; ulimit -f 1; browse "$target")
  else
    out=$(browse "$target")
  fi
  [ "$(grep -c capture "$home/err")" = 1 ] && grep -q "capture.*cannot write $target" "$home/err" ||
    fail "$target: want one message, got: $(cat "$home/err")"
  [ "$(echo "$out" | listedGets)" = "$visited" ] && echo "$out" | grep -qx quit ||
    fail "$target: browsing did not go on: $out"
done
# What was written before the limit stays readable.
tshark -n -r "$home/small.pcap" >/dev/null 2>&1 || fail "the cut capture is not readable"
[ $status = 0 ] && echo "ok capture on port $port"
exit $status
