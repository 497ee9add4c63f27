#!/usr/bin/env bash
# A lossy path: the relay drops 20% of the datagrams both ways (and
# duplicates and reorders some) between the program and the gateway; the
# program runs on a virtual clock ten times as fast as the real one: its
# retransmissions come quickly, yet the gateway (which resends a lost
# Result only after 7 real seconds) still answers before it gives up.
# Every fetch must still arrive whole, and each entry be stored once.
#   e2e_lossy.sh TOVRIN GATEWAY_ENV SCRIPTS_DIR
set -euo pipefail
tovrin=$1
. "$2"
scripts=$3
home=$(mktemp -d /tmp/tovrin-e2e-lossy-XXXXXX)
relay_pid=
cleanup() {
  [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null && wait "$relay_pid" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
compiled=$home/index.wmlc
/usr/lib/kannel/test/wml_tester -b -c UTF-8 "$TOVRIN_SITE/index.wml" >"$compiled"
deck=$(stat -c %s "$compiled")
wbmp=$(stat -c %s "$TOVRIN_SITE/logo.wbmp")

/usr/bin/python3 "$scripts/relay.py" --listen-host 127.0.0.2 --target-host "$TOVRIN_GATEWAY_HOST" \
  --ports 9201 --seed 7 --loss 0.2 --dup 0.05 --reorder 0.05 --log "$home/relay.log" &
relay_pid=$!
sleep 0.5

cmds=()
for i in 1 2 3; do
  cmds+=("fetch ${TOVRIN_ORIGIN}index.wml?n=$i 20" "fetch ${TOVRIN_ORIGIN}logo.wbmp?n=$i 33")
done
out=$(printf '%s\n' "${cmds[@]}" quit |
  TOVRIN_VIRTUAL_CLOCK=1 TOVRIN_VIRTUAL_TICK_MS=20 "$tovrin" --home "$home/h" --headless --gateway 127.0.0.2 --port 9201)
want=$(for i in 1 2 3; do printf 'fetch 2005 20 %s\nfetch 2005 33 %s\n' "$deck" "$wbmp"; done; echo quit)
status=0
if [ "$out" != "$want" ]; then
  echo "unexpected output:"; echo "$out"; echo "expected:"; echo "$want"; status=1
fi
files=$(ls "$home/h/cache" | grep -c '\.wbc$' || true)
if [ "$files" -ne 6 ]; then
  echo "expected 6 cache entries, found $files:"; ls "$home/h/cache"; status=1
fi
kill "$relay_pid"; wait "$relay_pid" 2>/dev/null || true; relay_pid=
tail -n 1 "$home/relay.log"
grep -q 'drop' "$home/relay.log" || { echo "the relay dropped nothing"; status=1; }
exit $status
