#!/usr/bin/env bash
# tovrin check on the bundled demo site, served by an origin of its own
# behind the test gateway: no errors, and the demo's deliberate faults
# (its decks say so) listed as expected notes.
#   e2e_check_demo.sh TOVRIN GATEWAY_ENV PORT
set -u
tovrin=$1 port=$3
. "$2"
root=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(mktemp -d /tmp/tovrin-e2e-check-demo-XXXXXX)
origin=
trap '[ -n "$origin" ] && kill "$origin" 2>/dev/null; rm -rf "$dir"' EXIT
fail() { echo "FAIL on port $port: $*"; cat "$dir/out" 2>/dev/null; exit 1; }

"$root"/demo/build_site.sh "$dir/site"
web=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/bin/python3 "$root"/scripts/gateway/origin.py --root "$dir/site" --port "$web" >/dev/null 2>&1 &
origin=$!
for _ in $(seq 50); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $web), 0.2)" 2>/dev/null && break
  sleep 0.1
done

"$tovrin" check --home "$dir/home" --gateway "$TOVRIN_GATEWAY_HOST" --port "$port" \
  --json "$dir/report.json" "http://127.0.0.1:$web/index.wml" >"$dir/out" 2>&1 || fail "status $?"
/usr/bin/python3 - "$dir/report.json" <<'PY' || fail "the JSON report"
import json, sys
r = json.load(open(sys.argv[1]))
expected = sorted(p["url"].rsplit("/", 1)[1] for p in r["pages"] for f in p["findings"]
                  if f["message"].startswith("expected: "))
assert expected == ["missing.wbmp", "nowhere.wml", "page.html", "refused.wml"], expected
assert len(r["pages"]) > 20, len(r["pages"])
PY
echo "ok: $(tail -n 1 "$dir/out")"
