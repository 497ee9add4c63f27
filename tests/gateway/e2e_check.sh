#!/usr/bin/env bash
# tovrin check on the test site's check/ folder, where each fault is
# planted once: every one must be reported exactly once, by kind, in the
# JSON; the limits must stop a folder that names pages without end; a
# gateway that does not answer must end the check quickly, with status 1.
# The profile file in the home has a bad line, reported and skipped; its
# profile also drives the browser's canvas and status line.
#   e2e_check.sh TOVRIN GATEWAY_ENV PORT
set -u
tovrin=$1 port=$3
. "$2"
home=$(mktemp -d /tmp/tovrin-e2e-check-XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/home/config"
printf '%s\n' 'tiny 96x65 400 -   # a budget only the oversize deck passes' 'tiny 96x65' \
  >"$home/home/config/devices.txt"
run() { "$tovrin" check --home "$home/home" --gateway "$TOVRIN_GATEWAY_HOST" --port "$port" --device tiny "$@"; }
fail() { echo "FAIL on port $port: $*"; cat "$home/out" "$home/err"; exit 1; }

run "${TOVRIN_ORIGIN}check/index.wml" --json "$home/report.json" >"$home/out" 2>"$home/err"
[ $? = 1 ] || fail "the faults did not give status 1"
grep -q 'devices.txt:2: want NAME' "$home/err" || fail "the bad profile line was not reported"
/usr/bin/python3 - "$home/report.json" <<'PY' || fail "the JSON report"
import collections, json, sys
r = json.load(open(sys.argv[1]))
found = collections.Counter()
for p in r["pages"]:
    for f in p["findings"]:
        found[(f["severity"], f["kind"], p["url"].rsplit("/", 1)[1])] += 1
want = {
    ("error", "fetch", "gone.wml"): 1,            # a broken link: 404
    ("error", "missing-card", "index.wml"): 1,    # good.wml#nocard
    ("warning", "oversize", "big.wml"): 1,
    ("error", "image", "photo.txt"): 1,           # text, not WBMP
    ("error", "script-function", "index.wml"): 1, # calc.wmls#half
    ("error", "access", "private.wml"): 1,
    ("note", "cycle", "loop-b.wml"): 1,
    ("note", "variable", "index.wml"): 1,         # $(next) has no value
}
if dict(found) != want:
    sys.exit("found %s" % sorted(found.items()))
urls = [p["url"] for p in r["pages"]]
assert len(urls) == len(set(urls)) == 11, urls
assert r["errors"] == 5 and r["warnings"] == 1 and r["outOfScope"] == 1, r
PY

run "${TOVRIN_ORIGIN}check/gen/more.wml" --max-pages 4 >"$home/out" 2>"$home/err"
grep -q '^warning: stopped at --max-pages 4' "$home/out" || fail "the page limit"
start=$(date +%s)
"$tovrin" check --home "$home/home" --gateway 127.0.0.2 --port "$port" --timeout 3 \
  "${TOVRIN_ORIGIN}check/index.wml" >"$home/out" 2>"$home/err"
[ $? = 1 ] && grep -q 'gateway stopped answering' "$home/out" || fail "a silent gateway"
[ $(($(date +%s) - start)) -lt 20 ] || fail "a silent gateway took too long"
# The same profile in the browser: its canvas, and the status line on the
# oversize deck.
printf '%s\n' device "go ${TOVRIN_ORIGIN}check/big.wml" wait dump quit |
  "$tovrin" --home "$home/home" --headless --gateway "$TOVRIN_GATEWAY_HOST" --port "$port" --device tiny \
  >"$home/out" 2>"$home/err"
grep -qx 'device tiny 96x65 400 -' "$home/out" || fail "the device command"
grep -qx 'status Deck too large for this handset: 486 of 400 bytes' "$home/out" || fail "the oversize status"
echo "ok check on port $port"
