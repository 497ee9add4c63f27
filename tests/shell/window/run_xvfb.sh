#!/usr/bin/env bash
# ./run as a person starts it, in an X server of its own: the handset
# window opens on the demo's home card; when the window is closed the
# gateway and the origin stop too. Run under xvfb-run (CTest does).
#   run_xvfb.sh SOURCE_DIR PNG_DIFF
set -u
SRC=$1 PNGDIFF=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
WORK=$(mktemp -d)
HOME_DIR=$WORK/run/home
trap '[ -n "${RUNPID:-}" ] && kill "$RUNPID" 2>/dev/null; rm -rf "$WORK"' EXIT
TOVRIN_RUN_DIR=$WORK/run "$SRC/run" >"$WORK/run.out" 2>&1 &
RUNPID=$!
WIN=$(timeout 300 xdotool search --sync --onlyvisible --name '^Tovrin$' | head -n 1) || { cat "$WORK/run.out"; fail "no window"; }
waitFor "logHas '__cardTitle,Tovrin demo\$'" 60 || { cat "$WORK/run.out"; fail "the demo's home card never showed"; }
sleep 0.5
windowOrigin
screenshot "$WORK/screen.png"
crop "$WORK/screen.png" "$WX" "$WY" "$WW" "$WH" "$WORK/window.png"
cp "$WORK/window.png" "${TOVRIN_RUN_SHOT:-/tmp/tovrin-run-window.png}"
SKIN=$SRC/build/skins/tovrin.skin
crop "$WORK/screen.png" $((WX + $(skinValue "$SKIN" canvas.x))) $((WY + $(skinValue "$SKIN" canvas.y))) 120 160 "$WORK/canvas.png"
convert -size 120x160 xc:white "png:$WORK/blank.png"
! "$PNGDIFF" "$WORK/blank.png" "$WORK/canvas.png" >/dev/null || fail "the canvas is blank"
ok "./run opened the window on the demo's home card"
pkill -TERM -f "tovrin --home $WORK/run/home" || fail "no browser process"
for _ in $(seq 100); do kill -0 "$RUNPID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$RUNPID" 2>/dev/null && fail "./run did not end with the window"
wait "$RUNPID"; RUNPID=
for f in "$WORK"/run/gateway/*.pid; do
  [ -e "$f" ] && [ "$(basename "$f")" != owner.pid ] || continue
  kill -0 "$(cat "$f")" 2>/dev/null && fail "$(basename "$f" .pid) still runs after ./run ended"
done
ok "the servers stopped with the window"
echo PASS
