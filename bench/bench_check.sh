#!/usr/bin/env bash
# Pages checked per second: `tovrin check` over the demo site through the
# local gateway (started as ./run does), ROUNDS times in each mode. The
# check must pass: the decks that show the browser's error handling say
# their faults are on purpose.
#   bench/bench_check.sh BUILD_DIR [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
run=$(mktemp -d /tmp/tovrin-bench-check-run-XXXXXX)
trap '"$root"/scripts/gateway/stop.sh "$run/gateway" >/dev/null 2>&1 || true; rm -rf "$run"' EXIT
"$root"/demo/build_site.sh "$run/site"
TOVRIN_ORIGIN_PORT=8080 TOVRIN_GATEWAY_OWNER=$$ "$root"/scripts/gateway/start.sh "$run/gateway" "$run/site" >/dev/null
for port in 9201 9200; do
  pages=0
  start=$(date +%s.%N)
  for _ in $(seq "$rounds"); do
    "$build"/tovrin check --home "$run/home" --gateway 127.0.0.1 --port "$port" \
      http://127.0.0.1:8080/index.wml >"$run/out" 2>&1 ||
      { cat "$run/out"; echo "bench_check: the demo site did not pass the check" >&2; exit 1; }
    pages=$((pages + $(tail -n 1 "$run/out" | cut -d' ' -f1)))
  done
  end=$(date +%s.%N)
  awk -v p="$pages" -v s="$start" -v e="$end" -v port="$port" \
    'BEGIN { printf "port %s: %d pages in %.2f s: %.1f pages/s\n", port, p, e - s, p / (e - s) }'
done
tail -n 1 "$run/out"
