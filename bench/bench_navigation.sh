#!/usr/bin/env bash
# Starts the local gateway in front of the demo site (as ./run does), runs
# the navigation benchmark against it, and stops the gateway.
#   bench/bench_navigation.sh BUILD_DIR [COUNT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
run=$(mktemp -d /tmp/tovrin-bench-nav-run-XXXXXX)
trap '"$root"/scripts/gateway/stop.sh "$run/gateway" >/dev/null 2>&1 || true; rm -rf "$run"' EXIT
"$root"/demo/build_site.sh "$run/site"
TOVRIN_ORIGIN_PORT=8080 TOVRIN_GATEWAY_OWNER=$$ "$root"/scripts/gateway/start.sh "$run/gateway" "$run/site" >/dev/null
TOVRIN_GATEWAY_ENV=$run/gateway/gateway.env "$build"/bench/bench_navigation "${2:-50}"
