#!/usr/bin/env bash
# The GTK dialogs and the preferences window in a real X server, shown by
# dialog_driver and answered with xdotool; screenshots go to SHOTS_DIR.
#   dialogs_xvfb.sh DRIVER SHOTS_DIR
# Every wait is bounded: a dialog that never opens or closes fails the case.
set -uo pipefail

DRIVER=$1 SHOTS=$2

if [ -z "${TOVRIN_IN_XVFB:-}" ]; then
  # Warnings and criticals of GLib and GTK end the driver: they fail the case.
  export TOVRIN_IN_XVFB=1 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory G_DEBUG=fatal-warnings
  exec timeout 300 xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"
fi

export LC_ALL=C.UTF-8  # xdotool types the UTF-8 of its arguments
# GTK's memory held until exit is no leak.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
mkdir -p "$SHOTS"
WORK=$(mktemp -d /tmp/tovrin-dialogs-XXXXXX)
PID=
trap '[ -n "$PID" ] && kill "$PID" 2>/dev/null; rm -rf "$WORK"' EXIT

FAILURES=0
CASE=
fail() {
  echo "FAIL [$CASE]: $*"
  FAILURES=$((FAILURES + 1))
}

# start CASE ARGS...: the driver in the background, its output in WORK.
start() {
  CASE=$1; shift
  "$DRIVER" "$@" >"$WORK/$CASE.out" 2>"$WORK/$CASE.err" &
  PID=$!
}

# window REGEXP: the visible window so titled, or a failure.
window() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1)
  [ -n "$id" ] || fail "no window titled $1"
  echo "$id"
}

# The driver's untitled window: the message box, or an empty-titled dialog.
message_box() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --all --pid "$PID" --name '^$' 2>/dev/null | head -1)
  [ -n "$id" ] || fail "no message box"
  echo "$id"
}

# Keyboard focus (there is no window manager to give it).
focus() { [ -n "$1" ] && timeout 10 xdotool windowfocus --sync "$1" || fail "cannot focus window $1"; }

keys() { timeout 10 xdotool key --delay 40 "$@" || fail "xdotool key $*"; }
type_text() { timeout 20 xdotool type --delay 40 "$1" || fail "xdotool type $1"; }

shot() { [ -n "$1" ] && import -window "$1" "$SHOTS/$2.png" 2>/dev/null || fail "no screenshot $2"; }

# finish: waits up to 30 s for the driver to end.
finish() {
  for _ in $(seq 300); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$PID" 2>/dev/null; then
    kill "$PID"
    wait "$PID" 2>/dev/null
    fail "the driver did not finish (dialog still open?)"
  elif ! wait "$PID"; then
    fail "the driver failed: $(cat "$WORK/$CASE.err")"
  fi
  PID=
}

# expect LINE...: each a whole line of the output.
expect() {
  local line
  for line in "$@"; do
    grep -qxF -- "$line" "$WORK/$CASE.out" ||
      fail "expected \"$line\" in: $(tr '\n' '|' <"$WORK/$CASE.out")"
  done
}

expect_not() { ! grep -qxF -- "$1" "$WORK/$CASE.out" || fail "unexpected \"$1\""; }

# at WINDOW X Y W H: the window's top-left corner and size.
at() {
  local geometry
  geometry=$(xdotool getwindowgeometry "$1" 2>/dev/null | tr '\n' ' ')
  [[ $geometry == *"Position: $2,$3 "* ]] || fail "window not at $2,$3: $geometry"
  [[ $geometry == *"Geometry: $4x$5"* ]] || fail "window not $4x$5: $geometry"
}

# answer CASE TITLE ACTIONS DRIVER-ARGS...: the dialog titled TITLE
# focused and answered by the ACTIONS (shell), then the driver's end.
answer() {
  local case=$1 title=$2 actions=$3
  shift 3
  start "$case" "$@"
  W=$(window "$title")
  focus "$W"
  eval "$actions"
  finish
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
answer text-utf8 '^Text Entry$' "type_text 'ééé'; keys Return" --utf8 text
expect "result 1" 'buffer \xC3\xA9\xC3\xA9'

# ---- masked text entry: characters hidden; Latin-1 deck gets é as one
# byte; elsewhere on the screen.
answer masked '^PIN$' "at \$W 300 420 164 128; shot \$W masked-entry; type_text '12é'; keys Return" --at 300 420 masked
expect "result 1" 'buffer 12\xE9'
answer masked-cancel '^PIN$' "type_text 99; keys Escape" masked
expect "result 0" "buffer init"

# ---- single select: only the first of two preselected options is shown
# selected; OK sets its byte, Cancel leaves every byte 0.
answer select '^Select Options$' 'at $W 137 211 164 172; shot $W select-single; keys Return' select
expect "result 1" "selected 0 1 0"
answer select-down '^Select Options$' 'keys Down Return' select
expect "result 1" "selected 0 0 1"
answer select-cancel '^Select Options$' 'keys Escape' select
expect "result 0" "selected 0 0 0"

# ---- multiple select: arrows move, space toggles, the rest stays chosen.
answer multi '^Numbers$' 'at $W 137 211 164 176; keys Down space; shot $W select-multiple; keys Return' multi
expect "result 1" "selected 1 1 1 0"
answer multi-cancel '^Numbers$' 'keys Down space Escape' multi
expect "result 0" "selected 0 0 0 0"

# ---- confirm: Yes is the default; No by Tab and space; Escape is No.
answer confirm-yes '^Confirm$' 'at $W 137 211 164 128; shot $W confirm; keys Return' confirm
expect "result 1"
answer confirm-no '^Confirm$' 'keys Tab space' confirm
expect "result 0"
answer confirm-escape '^Confirm$' 'keys Escape' confirm
expect "result 0"

# ---- information: default title, or the request's; always 0.
answer info '^Information$' 'at $W 137 211 162 167; shot $W information; keys Return' info
expect "result 0"
answer error '^Error$' 'shot $W information-error; keys Return' error
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
answer prefs '^Prefs$' "shot \$W prefs-general; keys ctrl+a; type_text http://changed.example/x.wml; keys Tab space Return" \
  --home "$HOME_DIR" prefs
expect "home http://changed.example/x.wml" "flags 0" "port 9201"
expect_not reconnect

start prefs-stored --home "$HOME_DIR" print-prefs
finish
expect "home http://changed.example/x.wml" "flags 0"

# Every page, then Escape: nothing changes.
answer prefs-cancel '^Prefs$' 'keys ctrl+a; type_text http://not.saved/
  for page in cache gateway advanced; do keys ctrl+Page_Down; sleep 0.2; shot $W prefs-$page; done
  keys Escape' --home "$HOME_DIR" prefs
expect "home http://changed.example/x.wml"

start prefs-still --home "$HOME_DIR" print-prefs
finish
expect "home http://changed.example/x.wml"

if [ "$FAILURES" -ne 0 ]; then
  echo "$FAILURES failure(s); screenshots in $SHOTS"
  exit 1
fi
echo "all dialog cases passed; screenshots in $SHOTS"
