# Helpers for the real-window tests: the program in an X server of its
# own (Xvfb), driven by xdotool and photographed with xwd. Sourced by the
# test scripts, which run under xvfb-run.
#   TOVRIN    the program
#   WORK      a scratch directory
set -u
# In the sanitizer build GTK's own caches, kept until exit, read as leaks.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

fail() { echo "FAIL: $*"; [ -n "${HOME_DIR:-}" ] && tail -n 30 "$HOME_DIR/state/wapout.log" 2>/dev/null; exit 1; }
ok() { echo "ok: $*"; }

# Waits (up to $2 seconds, default 20) until the command in $1 succeeds.
waitFor() {
  local i limit=$(( ${2:-20} * 10 ))
  for ((i = 0; i < limit; i++)); do
    eval "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts the window: startWindow HOME ARGS...; sets WIN (X window id),
# WX WY (its origin on the screen), PID.
startWindow() {
  HOME_DIR=$1; shift
  "$TOVRIN" --home "$HOME_DIR" "$@" >"$WORK/stdout" 2>"$WORK/stderr" &
  PID=$!
  WIN=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tovrin$' | head -n 1) || fail "no window appeared"
  [ -n "$WIN" ] || fail "no window appeared"
  windowOrigin
}

windowOrigin() {
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

stopWindow() {
  [ -n "${PID:-}" ] || return 0
  kill -TERM "$PID" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$PID" 2>/dev/null
  wait "$PID" 2>/dev/null
  PID=
}

# Waits until the card titled $1 has been shown more often than $2 times.
titleCount() { logCount "__cardTitle,$1\$"; }
waitCard() { waitFor "[ \$(titleCount '$1') -gt $2 ]" 20 || fail "card $1 never shown"; sleep 0.3; }
# The popup menu's Nth entry, keyed: 1 Add Bookmark, 2 Bookmarks..., 3
# History, 4 Read push messages..., 5 Preferences..., 6 Change Tovrin skin,
# 7 Zoom, 8 Handset profile, 9 Reconnect, 10 Disconnect, 11 online/offline,
# 12 Show WML Source, 13 About, 14 Exit. Extra keys follow (a submenu).
menuKeys() {
  local before n=$1; shift
  before=$(logCount '^Display: menu at ')
  clickAt 20 $((WH / 2)) 3
  waitFor "[ \$(logCount '^Display: menu at ') -gt $before ]" 10 || fail "no menu"
  xdotool mousemove_relative -- -15 -15  # off the menu: no entry hovered
  sleep 0.3
  xdotool key $(printf 'Down %.0s' $(seq "$n")) "$@"
}

# The log of the running window contains $1 (an extended regex).
logHas() { grep -Eq -- "$1" "$HOME_DIR/state/wapout.log"; }
waitLog() { waitFor "logHas '$1'" "${2:-20}" || fail "the log never said: $1"; }
logCount() { grep -Ec -- "$1" "$HOME_DIR/state/wapout.log"; }

# The whole screen as PNG.
screenshot() { xwd -root -silent | convert xwd:- "png:$1"; }
# A rectangle of a PNG: crop FILE X Y W H OUT
crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "png:$6"; }
# One pixel as "R,G,B": pixel FILE X Y
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }

# A skin file's integer value: skinValue FILE KEY
skinValue() { sed -n "s/^$2[[:space:]]\{1,\}\([0-9-]*\).*/\1/p" "$1" | tail -n 1; }

# Clicks at a handset point (zoom $ZOOM, default 1): clickAt X Y [BUTTON]
clickAt() {
  local z=${ZOOM:-1}
  xdotool mousemove --sync $((WX + $1 * z + z / 2)) $((WY + $2 * z + z / 2)) click "${3:-1}"
}

# A visible titled window other than the handset (a dialog), waiting up to
# 10 s; empty when none came.
otherWindow() {
  local w
  for w in $(xdotool search --onlyvisible --name '.+' 2>/dev/null); do
    [ "$w" != "$WIN" ] && echo "$w"
  done | tail -n 1
}
waitDialog() {
  DLG=
  waitFor '[ -n "$(otherWindow)" ]' 10 || fail "no dialog appeared: $1"
  DLG=$(otherWindow)
}
