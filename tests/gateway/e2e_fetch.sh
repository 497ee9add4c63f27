#!/usr/bin/env bash
# The program's headless fetch through the test gateway, on both ports:
# the printed results, and the cached deck byte for byte against the
# gateway's own WML compiler.
#   e2e_fetch.sh TOVRIN GATEWAY_ENV
set -euo pipefail
tovrin=$1
. "$2"
home=$(mktemp -d /tmp/tovrin-e2e-fetch-XXXXXX)
trap 'rm -rf "$home"' EXIT
compiled=$home/index.wmlc
# The browser asks for UTF-8: the gateway compiles in it.
/usr/lib/kannel/test/wml_tester -b -c UTF-8 "$TOVRIN_SITE/index.wml" >"$compiled"
status=0

for port in 9201 9200; do
  rm -rf "$home/h"
  out=$(printf '%s\n' \
    "fetch ${TOVRIN_ORIGIN}index.wml 20" \
    "fetch ${TOVRIN_ORIGIN}script.wmls 21" \
    "fetch ${TOVRIN_ORIGIN}logo.wbmp 33" \
    "fetch ${TOVRIN_ORIGIN}status?code=404 20" \
    "fetch ${TOVRIN_ORIGIN}page.html 33" \
    "fetch ${TOVRIN_ORIGIN}index.wml 20" \
    quit | "$tovrin" --home "$home/h" --headless --gateway "$TOVRIN_GATEWAY_HOST" --port $port)
  deck=$(stat -c %s "$compiled")
  wbmp=$(stat -c %s "$TOVRIN_SITE/logo.wbmp")
  want=$(printf '%s\n' "fetch 2005 20 $deck" "fetch 2005 21 ." "fetch 2005 33 $wbmp" \
    "fetch 2506 20 0" "fetch 2601 33 0" "fetch 2006 20 $deck" quit)
  if ! diff <(echo "$out" | sed -E 's/^(fetch 2005 21) [0-9]+$/\1 ./') <(echo "$want") >/dev/null; then
    echo "port $port: unexpected output:"; echo "$out"; echo "expected:"; echo "$want"; status=1
  fi
  # The body of the cached deck: after the 48-byte header, the URL and the
  # headers (their lengths at offsets 12 and 16).
  python3 - "$home/h/cache/http___127.0.0.1_"*"_index.wml_20.wbc" "$compiled" <<'PY' || status=1
import struct, sys
entry = open(sys.argv[1], "rb").read()
url_len, hdr_len, body_len = struct.unpack_from("<III", entry, 12)
body = entry[48 + url_len + hdr_len:]
want = open(sys.argv[2], "rb").read()
if len(body) != body_len or body != want:
    sys.exit("cached deck differs from the compiled deck (%d vs %d bytes)" % (len(body), len(want)))
PY
done
exit $status
