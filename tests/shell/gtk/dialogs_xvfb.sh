#!/usr/bin/env bash
# The GTK dialogs and the preferences window in a real X server: each is
# shown by dialog_driver, answered with xdotool as a user would, and the
# driver's printed result checked. Screenshots of every dialog go to
# SHOTS_DIR.
#
#   dialogs_xvfb.sh DRIVER SHOTS_DIR
#
# Runs itself again inside xvfb-run. Every wait is bounded, so a dialog that
# never opens or never closes fails the test instead of hanging it.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 DRIVER SHOTS_DIR" >&2
  exit 2
fi
DRIVER=$1
SHOTS=$2

if [ -z "${TOVRIN_IN_XVFB:-}" ]; then
  # Warnings and criticals of GLib and GTK end the driver: they fail the case.
  export TOVRIN_IN_XVFB=1 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory G_DEBUG=fatal-warnings
  exec timeout 300 xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"
fi

export LC_ALL=C.UTF-8  # xdotool types the UTF-8 of its arguments
# In a sanitizer build GTK's and fontconfig's memory held until exit would
# read as leaks; the other checks stay on.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
mkdir -p "$SHOTS"
WORK=$(mktemp -d /tmp/tovrin-dialogs-XXXXXX)
PID=
cleanup() {
  if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then kill "$PID"; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

FAILURES=0
CASE=
fail() {
  echo "FAIL [$CASE]: $*"
  FAILURES=$((FAILURES + 1))
}

# start CASE ARGS...: the driver in the background, its output in WORK.
start() {
  CASE=$1
  shift
  "$DRIVER" "$@" >"$WORK/$CASE.out" 2>"$WORK/$CASE.err" &
  PID=$!
}

# window REGEXP: the id of the visible window whose title matches, waiting
# for it; empty (and a failure) when it does not appear.
window() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1)
  [ -n "$id" ] || fail "no window titled $1"
  echo "$id"
}

# The message box, and a dialog whose request gives an empty title: the
# driver's visible window without a name.
message_box() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --all --pid "$PID" --name '^$' 2>/dev/null | head -1)
  [ -n "$id" ] || fail "no message box"
  echo "$id"
}

# Keyboard focus (there is no window manager to give it).
focus() {
  [ -n "$1" ] && timeout 10 xdotool windowfocus --sync "$1" || fail "cannot focus window $1"
}

keys() { timeout 10 xdotool key --delay 40 "$@" || fail "xdotool key $*"; }
type_text() { timeout 20 xdotool type --delay 40 "$1" || fail "xdotool type $1"; }

shot() {
  [ -n "$1" ] && import -window "$1" "$SHOTS/$2.png" 2>/dev/null || fail "no screenshot $2"
}

# finish: waits up to 30 s for the driver to end.
finish() {
  local i
  for i in $(seq 300); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$PID" 2>/dev/null; then
    kill "$PID"
    wait "$PID" 2>/dev/null
    fail "the driver did not finish (dialog still open?)"
  elif ! wait "$PID"; then
    fail "the driver failed: $(cat "$WORK/$CASE.err")"
  fi
  PID=
}

# expect LINE...: each a whole line of the case's output.
expect() {
  local line
  for line in "$@"; do
    grep -qxF -- "$line" "$WORK/$CASE.out" ||
      fail "expected \"$line\" in: $(tr '\n' '|' <"$WORK/$CASE.out")"
  done
}

expect_not() {
  ! grep -qxF -- "$1" "$WORK/$CASE.out" || fail "unexpected \"$1\""
}

# at WINDOW X Y W H: the window's top-left corner and size.
at() {
  local geometry
  geometry=$(xdotool getwindowgeometry "$1" 2>/dev/null | tr '\n' ' ')
  [[ $geometry == *"Position: $2,$3 "* ]] || fail "window not at $2,$3: $geometry"
  [[ $geometry == *"Geometry: $4x$5"* ]] || fail "window not $4x$5: $geometry"
}

# ---- text entry: too short is refused and the dialog stays; past the
# maximum length is cut; the dialog sits on the canvas corner.
start text --at 137 211 text
W=$(window '^Text Entry$')
at "$W" 137 211 162 150
shot "$W" text-entry
focus "$W"
type_text a
keys Return
M=$(message_box)
shot "$M" text-entry-too-short
focus "$M"
keys Return
focus "$W"
type_text bcdefgh
keys Return
finish
expect "result 1" "buffer abcde"

# An empty title stays empty; a prompt too long for its box does not make
# the dialog bigger.
start long-text long-text
W=$(message_box)
at "$W" 137 211 162 150
shot "$W" text-entry-long-prompt
focus "$W"
keys Escape
finish
expect "result 0"

# A UTF-8 deck: the field stops at 5 bytes, between characters.
start text-utf8 --utf8 text
W=$(window '^Text Entry$')
focus "$W"
type_text 'ééé'
keys Return
finish
expect "result 1" 'buffer \xC3\xA9\xC3\xA9'

# ---- masked text entry: characters hidden; Latin-1 deck gets é as one
# byte; elsewhere on the screen.
start masked --at 300 420 masked
W=$(window '^PIN$')
at "$W" 300 420 164 128
shot "$W" masked-entry
focus "$W"
type_text '12é'
keys Return
finish
expect "result 1" 'buffer 12\xE9'

start masked-cancel masked
W=$(window '^PIN$')
focus "$W"
type_text 99
keys Escape
finish
expect "result 0" "buffer init"

# ---- single select: only the first of two preselected options is shown
# selected; OK sets its byte, Cancel leaves every byte 0.
start select select
W=$(window '^Select Options$')
at "$W" 137 211 164 172
shot "$W" select-single
focus "$W"
keys Return
finish
expect "result 1" "selected 0 1 0"

start select-down select
W=$(window '^Select Options$')
focus "$W"
keys Down Return
finish
expect "result 1" "selected 0 0 1"

start select-cancel select
W=$(window '^Select Options$')
focus "$W"
keys Escape
finish
expect "result 0" "selected 0 0 0"

# ---- multiple select: arrows move, space toggles, the rest stays chosen.
start multi multi
W=$(window '^Numbers$')
at "$W" 137 211 164 176
focus "$W"
keys Down space
shot "$W" select-multiple
keys Return
finish
expect "result 1" "selected 1 1 1 0"

start multi-cancel multi
W=$(window '^Numbers$')
focus "$W"
keys Down space Escape
finish
expect "result 0" "selected 0 0 0 0"

# ---- confirm: Yes is the default; No by Tab and space; Escape is No.
start confirm-yes confirm
W=$(window '^Confirm$')
at "$W" 137 211 164 128
shot "$W" confirm
focus "$W"
keys Return
finish
expect "result 1"

start confirm-no confirm
W=$(window '^Confirm$')
focus "$W"
keys Tab space
finish
expect "result 0"

start confirm-escape confirm
W=$(window '^Confirm$')
focus "$W"
keys Escape
finish
expect "result 0"

# ---- information: default title, or the request's; always 0.
start info info
W=$(window '^Information$')
at "$W" 137 211 162 167
shot "$W" information
focus "$W"
keys Return
finish
expect "result 0"

start error error
W=$(window '^Error$')
shot "$W" information-error
focus "$W"
keys Return
finish
expect "result 0"

# ---- not shown at all.
start kind5 kind5
finish
expect "result 0"
start empty-select empty-select
finish
expect "result 0" "selected"

# ---- the preferences window: OK stores a changed home page and the
# start-up flag in the registry; no reconnect for them.
HOME_DIR=$WORK/home
start prefs --home "$HOME_DIR" prefs
W=$(window '^Prefs$')
shot "$W" prefs-general
focus "$W"
keys ctrl+a
type_text 'http://changed.example/x.wml'
keys Tab space Return
finish
expect "home http://changed.example/x.wml" "flags 0" "port 9201"
expect_not reconnect

start prefs-stored --home "$HOME_DIR" print-prefs
finish
expect "home http://changed.example/x.wml" "flags 0"

# Every page, then Escape: nothing changes.
start prefs-cancel --home "$HOME_DIR" prefs
W=$(window '^Prefs$')
focus "$W"
keys ctrl+a
type_text 'http://not.saved/'
for page in cache gateway advanced; do
  keys ctrl+Page_Down
  sleep 0.2
  shot "$W" "prefs-$page"
done
keys Escape
finish
expect "home http://changed.example/x.wml"

start prefs-still --home "$HOME_DIR" print-prefs
finish
expect "home http://changed.example/x.wml"

if [ "$FAILURES" -ne 0 ]; then
  echo "$FAILURES failure(s); screenshots in $SHOTS"
  exit 1
fi
echo "all dialog cases passed; screenshots in $SHOTS"
