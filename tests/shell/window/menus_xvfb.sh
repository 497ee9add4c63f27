#!/usr/bin/env bash
# The popup menu in a real window: bookmarks added, listed, renamed,
# opened, deleted and kept over a restart; history opened from the submenu
# and cleared; Goto URL; offline and online; the about box. Under xvfb-run
# against the test gateway:
#   menus_xvfb.sh TOVRIN
set -u
TOVRIN=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "${TOVRIN_GATEWAY_RUN:?}/gateway.env"
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
WORK=$(mktemp -d)
trap 'stopWindow; rm -rf "$WORK"' EXIT
H=$WORK/home

headless() { printf '%s\nquit\n' "$@" | "$TOVRIN" --headless --home "$H"; }

startWindow "$H" --gateway "$TOVRIN_GATEWAY_HOST" "${TOVRIN_ORIGIN}second.wml"
waitCard Second 0

# --- a bookmark added, renamed in the dialog, still there after a restart ---
menuKeys 1 Return
waitLog '^Display: bookmark added '
menuKeys 2 Return
waitDialog bookmarks
xdotool windowfocus --sync "$DLG" key Down
sleep 0.3
xdotool key Tab ctrl+a type "Mine"
xdotool key alt+u   # Update
sleep 0.3
xdotool key Escape
waitFor '[ -z "$(otherWindow)" ]' 10 || fail "the bookmarks dialog stayed open"
stopWindow
headless bookmarks | grep -qx "bookmark 1 Mine ${TOVRIN_ORIGIN}second.wml" || { headless bookmarks; fail "renamed bookmark not kept"; }
ok "bookmark added, renamed and kept over a restart"

# --- opened from the dialog, then deleted ---
startWindow "$H" --gateway "$TOVRIN_GATEWAY_HOST" "${TOVRIN_ORIGIN}window.wml"
waitCard Window 0
menuKeys 2 Return
waitDialog bookmarks
xdotool windowfocus --sync "$DLG" key Down Return
waitCard Second 0
ok "a bookmark opened"

# --- history from the submenu, then cleared ---
menuKeys 3 Right Down Down Return   # the second URL visited: window.wml
waitCard Window 1
ok "a history entry opened from the submenu"

# --- Goto URL from the handset's go key ---
SKIN=$(dirname "$TOVRIN")/skins/tovrin.skin
gx=$(( $(skinValue "$SKIN" 'vbut\.go\.x') + 8 )) gy=$(( $(skinValue "$SKIN" 'vbut\.go\.y') + 8 ))
clickAt "$gx" "$gy"
waitDialog "Goto URL"
xdotool windowfocus --sync "$DLG" key ctrl+a type "${TOVRIN_ORIGIN}nav.wml"
xdotool key Return
waitCard "Nav one" 0
ok "Goto URL"

# --- offline and online ---
menuKeys 11 Return
waitLog '^Cache: Offline!$'
menuKeys 11 Return
waitLog '^Cache: going online!$'
ok "switched offline and online"

# --- the about box ---
menuKeys 13 Return
waitDialog about
name=$(xdotool getwindowname "$DLG")
[ "$name" = "About Tovrin" ] || fail "about box titled $name"
xdotool windowfocus --sync "$DLG" key Return
ok "about box"

# --- a handset profile, kept for the next start ---
menuKeys 8 Right Down Return
waitLog '^Display: handset profile mono-96x65 kept$'
waitDialog "handset profile message"
xdotool windowfocus --sync "$DLG" key Return
[ "$(headless device | grep -c 'mono-96x65')" = 1 ] || fail "the stored profile is not used"
ok "handset profile"

# --- bookmark deleted, history cleared ---
menuKeys 2 Return
waitDialog bookmarks
xdotool windowfocus --sync "$DLG" key Down
sleep 0.3
xdotool key alt+d
sleep 0.3
xdotool key Escape
waitFor '[ -z "$(otherWindow)" ]' 10 || fail "the bookmarks dialog stayed open"
menuKeys 3 Right Return   # Clear History
waitLog '^Browser: Clear history$'
stopWindow
headless bookmarks history | grep -qx 'bookmarks 0' || fail "the bookmark was not deleted"
headless history | grep -qx 'history-count 0' || fail "the history was not cleared"
ok "bookmark deleted and history cleared"
echo PASS
