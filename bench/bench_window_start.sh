#!/usr/bin/env bash
# Start-up of the desktop program until the home card is painted in the
# window, from the cache (no gateway), as a whole process: the median of
# RUNS starts, and the window's resident memory at that moment.
#   bench/bench_window_start.sh [BUILD_DIR] [RUNS]
# Needs Xvfb (it runs one of its own) and a built tree.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-20}
if [ -z "${TOVRIN_BENCH_INNER:-}" ]; then
  TOVRIN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$runs"
fi
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
url=http://bench.example/text.wml
printf 'load %s %s 20\nquit\n' "$build/tests/wml/decks/layout_text.wmlc" "$url" |
  "$build/tovrin" --headless --home "$home" >/dev/null
times=()
rss=0
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  out=$(TOVRIN_BENCH_STARTUP=1 timeout 20 "$build/tovrin" --home "$home" "$url")
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
  rss=$(sed -n 's/^startup painted rss-kb //p' <<<"$out")
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(sed -n "$(( (runs + 1) / 2 ))p" <<<"$sorted")
printf 'window start to painted home card (from the cache): median %d.%03d ms of %d (min %d.%03d, max %d.%03d)\n' \
  $((median / 1000)) $((median % 1000)) "$runs" \
  $(( $(head -n 1 <<<"$sorted") / 1000 )) $(( $(head -n 1 <<<"$sorted") % 1000 )) \
  $(( $(tail -n 1 <<<"$sorted") / 1000 )) $(( $(tail -n 1 <<<"$sorted") % 1000 ))
printf 'resident memory of the window with the card painted: %d kB\n' "$rss"
