#!/usr/bin/env bash
# Stops the test gateway of one run: exactly the processes whose PID files
# are in RUNDIR and whose command lines name RUNDIR.
#
#   stop.sh RUNDIR            everything (capture, wapbox, bearerbox, origin)
#   stop.sh --boxes RUNDIR    bearerbox and wapbox only ("gateway down")
#   stop.sh --capture RUNDIR  the packet capture only (to check the file)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

only=""
case "${1:-}" in --boxes|--capture) only=$1; shift ;; esac
[ $# -eq 1 ] || { echo "usage: stop.sh [--boxes|--capture] RUNDIR" >&2; exit 2; }
[ -d "$1" ] || exit 0
run=$(cd "$1" && pwd)

case "$only" in
  --boxes) stopService "$run" wapbox; stopService "$run" bearerbox; exit 0 ;;
  --capture) stopService "$run" capture; exit 0 ;;
esac
for s in "${GW_SERVICES[@]}"; do
  stopService "$run" "$s"
done
rm -f "$(registryEntry "$run")" "$run/owner.pid"
runAlive "$run" && { echo "gateway: processes of $run still running" >&2; exit 1; }
exit 0
