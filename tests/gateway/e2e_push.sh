#!/usr/bin/env bash
# Push through the test gateway: a push submitted to its push proxy
# (scripts/gateway/push.py) arrives on UDP port 2948, the indicator lights,
# the list shows it, opening it goes to its page; the same push bytes sent
# to 2948 from another address are dropped with a log line. In both modes,
# connectionless on the virtual clock. First, with port 2948 held by
# another program: push is off, said once, and browsing works.
#   e2e_push.sh TOVRIN GATEWAY_ENV SCRIPTS_DIR CAPTURED_PUSH
set -uo pipefail
tovrin=$1 env=$2 scripts=$3 captured=$4
. "$env"
home=$(mktemp -d /tmp/tovrin-e2e-push-XXXXXX)
holder=""
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
status=0
PUSH_PORT=2948

portTaken() { [ -n "$(ss -Hlnu "sport = :$PUSH_PORT" 2>/dev/null)" ]; }

# Another run's browser may hold the port for a moment.
waitForFreePort() {
  for _ in $(seq 120); do portTaken || return 0; sleep 0.5; done
  echo "port $PUSH_PORT stays taken: $(ss -Hlnup "sport = :$PUSH_PORT")"
  return 1
}

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; diff <(echo "$2") <(echo "$3"); status=1
  else
    echo "ok $1"
  fi
}

# --- Port 2948 taken by another program.
waitForFreePort || exit 1
/usr/bin/python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", int(sys.argv[1])))
print("bound", flush=True)
time.sleep(120)' "$PUSH_PORT" >"$home/holder.out" &
holder=$!
for _ in $(seq 50); do grep -q bound "$home/holder.out" && break; sleep 0.1; done
out=$(printf '%s\n' "go ${TOVRIN_ORIGIN}index.wml" wait "go ${TOVRIN_ORIGIN}second.wml" wait pushes quit \
  | "$tovrin" --home "$home/taken" --headless --gateway "$TOVRIN_GATEWAY_HOST" --port 9201 2>&1 \
  | grep -E '^(wait|pushes|push-|card|quit|error)')
kill "$holder"; wait "$holder" 2>/dev/null; holder=""
check "port taken: push off, browsing on" "$(printf '%s\n' "wait idle" "wait idle" "pushes 0" \
  "push-indicator off" "push-listener off" quit)" "$out"
said=$(grep -c 'push port taken' "$home/taken/state/wapout.log")
check "port taken: said once" 1 "$said"

# --- Push end to end.
for port in 9201 9200; do
  h=$home/h$port
  mkdir -p "$h"
  waitForFreePort || { status=1; continue; }
  mkfifo "$h/commands"
  clock=()
  [ $port = 9200 ] && clock=(env TOVRIN_VIRTUAL_CLOCK=1 TOVRIN_VIRTUAL_TICK_MS=20)
  "${clock[@]}" "$tovrin" --home "$h/home" --headless --script "$h/commands" \
    --gateway "$TOVRIN_GATEWAY_HOST" --port $port >"$h/out" 2>"$h/err" &
  pid=$!
  exec 3>"$h/commands"
  printf '%s\n' "go ${TOVRIN_ORIGIN}index.wml" wait pushes >&3
  for _ in $(seq 100); do grep -q '^push-listener' "$h/out" && break; sleep 0.1; done
  # The right bytes from the wrong address first, then the proxy's push.
  /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.2", 0))
s.sendto(open(sys.argv[1], "rb").read(), ("127.0.0.1", int(sys.argv[2])))
print(s.getsockname()[1])' "$captured" "$PUSH_PORT" >"$h/stranger"
  "$scripts/push.py" --env "$env" --text "Second deck" "${TOVRIN_ORIGIN}second.wml" >"$h/submit" \
    || { echo "port $port: the push proxy refused:"; cat "$h/submit"; status=1; }
  printf '%s\n' "wait-push 60" pushes "push-open 1" wait dump quit >&3
  exec 3>&-
  wait $pid
  out=$(sed -E -e "s|$TOVRIN_ORIGIN|@ORIGIN@|g" -e 's|push://[0-9]+_46|push://N_46|' "$h/out" \
    | grep -E '^(wait|pushes|push|url|card|title|quit|error)')
  want=$(printf '%s\n' "wait idle" "pushes 0" "push-indicator off" "push-listener on" "wait-push 1" \
    "push 1 push://N_46 @ORIGIN@second.wml" "pushes 1" "push-indicator on" "push-listener on" \
    "push-open 1 @ORIGIN@second.wml" "wait idle" "url @ORIGIN@second.wml" "card one" "title Second" quit)
  check "port $port: push arrives, lists, opens" "$want" "$out"
  dropped=$(grep -c "Push: dropped UDP From:127.0.0.2:$(cat "$h/stranger") (not the gateway)" "$h/home/state/wapout.log")
  check "port $port: a stranger's datagram is dropped with a log line" 1 "$dropped"
  [ $status -eq 0 ] || cp "$h/home/state/wapout.log" "/tmp/tovrin-e2e-push-$port.log"
done
exit $status
