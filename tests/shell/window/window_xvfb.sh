#!/usr/bin/env bash
# The handset in a real window, as a person uses it: under Xvfb, against
# the test gateway, clicked and typed at with xdotool, photographed with
# xwd. Run under xvfb-run (CTest does); arguments:
#   window_xvfb.sh TOVRIN SKINDIR PNG_DIFF
set -u
TOVRIN=$1 SKINDIR=$2 PNGDIFF=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
. "${TOVRIN_GATEWAY_RUN:?}/gateway.env"
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
WORK=$(mktemp -d)
trap 'stopWindow; rm -rf "$WORK"' EXIT
URL=${TOVRIN_ORIGIN}window.wml
SKIN=$SKINDIR/tovrin.skin
CX=$(skinValue "$SKIN" canvas.x) CY=$(skinValue "$SKIN" canvas.y)
CW=$(skinValue "$SKIN" canvas.width) CH=$(skinValue "$SKIN" canvas.height)

# A virtual button's centre: buttonCentre NAME -> BX BY
buttonCentre() {
  local w h
  read -r w h < <(identify -format '%w %h' "$SKINDIR/$(sed -n "s/^vbut\.$1\.up\.bitmap[[:space:]]*//p" "$SKIN")")
  BX=$(( $(skinValue "$SKIN" "vbut\.$1\.x") + w / 2 ))
  BY=$(( $(skinValue "$SKIN" "vbut\.$1\.y") + h / 2 ))
}
# A control's centre: controlCentre but.action1 -> BX BY
controlCentre() {
  BX=$(( $(skinValue "$SKIN" "$1\.x") + $(skinValue "$SKIN" "$1\.width") / 2 ))
  BY=$(( $(skinValue "$SKIN" "$1\.y") + $(skinValue "$SKIN" "$1\.height") / 2 ))
}
press() { xdotool windowfocus --sync "$WIN" key "$@"; }
canvasShot() { screenshot "$WORK/screen.png"; windowOrigin; crop "$WORK/screen.png" $((WX + CX * ${ZOOM:-1})) $((WY + CY * ${ZOOM:-1})) $((CW * ${ZOOM:-1})) $((CH * ${ZOOM:-1})) "$1"; }

# The card as the headless program paints it, through the same gateway.
printf 'wait 20\nscreenshot --canvas-only %s\nscroll 0 20\nscreenshot --canvas-only %s\nquit\n' \
  "$WORK/ref.png" "$WORK/ref_scrolled.png" |
  "$TOVRIN" --headless --home "$WORK/headless" --gateway "$TOVRIN_GATEWAY_HOST" "$URL" >/dev/null ||
  fail "headless reference"

# --- the window, its shape and its canvas ---
startWindow "$WORK/home" --gateway "$TOVRIN_GATEWAY_HOST" "$URL"
waitCard Window 0
[ "$WW" -eq "$(identify -format %w "$SKINDIR/tovrin.bmp")" ] || fail "window width $WW"
screenshot "$WORK/screen.png"
[ "$(pixel "$WORK/screen.png" "$WX" "$WY")" = 0,0,0 ] || fail "the window's corner is not cut away"
[ "$(pixel "$WORK/screen.png" $((WX + WW / 2)) $((WY + 30)))" = "$(pixel "$SKINDIR/tovrin.bmp" $((WW / 2)) 30)" ] ||
  fail "the body does not show the skin"
ok "shaped window of the skin's size"
canvasShot "$WORK/canvas.png"
"$PNGDIFF" "$WORK/ref.png" "$WORK/canvas.png" || fail "the window's canvas differs from the headless one"
ok "canvas pixels equal the headless screenshot"
for c in action1:but.action1 action2:but.action2 action3:drop.action3 status:drop.status; do
  name=${c%%:*} key=${c#*:}
  want="$(skinValue "$SKIN" "$key\.x"),$(skinValue "$SKIN" "$key\.y") size $(skinValue "$SKIN" "$key\.width")x$(skinValue "$SKIN" "$key\.height")"
  got=$(grep "Display: control $name at" "$HOME_DIR/state/wapout.log" | tail -n 1)
  [ "$got" = "Display: control $name at $want" ] || fail "control $name: $got, want $want"
done
ok "native controls at the skin's placements and sizes"

# --- clicks: a link, the soft keys, the options list ---
clickAt $((CX + 10)) $((CY + 6))
waitCard Linked 0
ok "a click on a link navigates"
press BackSpace; waitCard Window 1
controlCentre but.action1; clickAt "$BX" "$BY"; waitCard One 0
press BackSpace; waitCard Window 2
controlCentre but.action2; clickAt "$BX" "$BY"; waitCard Two 0
press BackSpace; waitCard Window 3
controlCentre drop.action3; clickAt "$BX" "$BY"; sleep 0.5
xdotool key Down Return; waitCard Three 0
press BackSpace; waitCard Window 4
ok "soft-key buttons and the options list run their do elements"

# --- a held scroll button repeats; a one-shot button fires once ---
buttonCentre down
xdotool mousemove --sync $((WX + BX)) $((WY + BY)) mousedown 1; sleep 1; xdotool mouseup 1
n=$(logCount '^Display: scroll 0 [0-9]+$')
[ "$n" -ge 4 ] || fail "holding down scrolled $n times"
grep -Eq '^Display: scroll 0 10$' "$HOME_DIR/state/wapout.log" || fail "the first step is not 10 pixels"
sleep 0.4; m=$(logCount '^Display: scroll 0 [0-9]+$')
sleep 0.4; [ "$(logCount '^Display: scroll 0 [0-9]+$')" -eq "$m" ] || fail "scrolling went on after the release"
buttonCentre up
for _ in $(seq 30); do clickAt "$BX" "$BY"; sleep 0.05; grep -q '^Display: scroll 0 0$' "$HOME_DIR/state/wapout.log" && break; done
buttonCentre stop
before=$(logCount '^Browser: abort$')
xdotool mousemove --sync $((WX + BX)) $((WY + BY)) mousedown 1; sleep 0.8; xdotool mouseup 1
waitFor "[ \$(logCount '^Browser: abort\$') -gt $before ]" 10 || fail "the stop button did not fire"
sleep 0.5
[ $(( $(logCount '^Browser: abort$') - before )) -eq 1 ] || fail "a held stop button fired more than once"
ok "held scroll button repeats every 100 ms, stop fires once"

# --- keys ---
press Down Down; sleep 0.3
grep -Eq '^Display: scroll 0 20$' "$HOME_DIR/state/wapout.log" || fail "the down arrow does not scroll"
canvasShot "$WORK/canvas_scrolled.png"
"$PNGDIFF" "$WORK/ref_scrolled.png" "$WORK/canvas_scrolled.png" || fail "scrolled canvas differs"
press Up Up Left Right Left
press F1; waitCard One 1
press BackSpace; waitCard Window 5
press F2; waitCard Two 1
press BackSpace; waitCard Window 6
press Return; waitCard One 2
press BackSpace; waitCard Window 7
press F5; waitLog '^Display: Refresh$'
press Escape; sleep 0.2
press alt+Home; waitLog '^Display: Goto Home$'
waitCard Window 8
ok "arrows, Enter, F1, F2, Backspace, Escape, F5 and Alt+Home"

# --- dialogs: text entry and select, answered by typing and clicking ---
clickAt $((CX + 45)) $((CY + 15 + 6))
waitDialog "text entry"
eval "$(xdotool getwindowgeometry --shell "$DLG")"
[ "$X" -eq $((WX + CX)) ] && [ "$Y" -eq $((WY + CY)) ] || fail "the dialog is at $X,$Y, not over the canvas"
xdotool windowfocus --sync "$DLG" key ctrl+a type Bob
xdotool key Return
waitLog 'setContextVal \(existing\) - name,Bob$'
clickAt $((CX + 50)) $((CY + 30 + 6))
waitDialog select
xdotool windowfocus --sync "$DLG" key End Return
waitLog 'setContextVal \(existing\) - colour,blue$'
ok "text entry and select dialogs answered"
windowOrigin
[ "$WW" -eq "$(identify -format %w "$SKINDIR/tovrin.bmp")" ] || fail "the window grew to $WW with the status texts"

# --- drag the window by its body ---
windowOrigin; x0=$WX y0=$WY
xdotool mousemove --sync $((WX + 6)) $((WY + WH / 2)) mousedown 1 mousemove_relative --sync 60 40 mouseup 1
waitFor 'windowOrigin; [ "$WX" -eq $((x0 + 60)) ] && [ "$WY" -eq $((y0 + 40)) ]' 5 ||
  fail "the window is at $WX,$WY after a drag from $x0,$y0"
ok "dragged by its body"

# --- right click: the popup menu; Preferences... changes the home page ---
clickAt 20 $((WH / 2)) 3
waitLog '^Display: menu at '
xdotool key Escape
waitLog '^Display: menu closed$'
ok "right click opens the popup menu"
menuKeys 5 Return
prefs=$(timeout 10 xdotool search --sync --onlyvisible --name '^Prefs$' | head -n 1) || fail "no preferences window"
# The General page's home field has the focus; Enter is OK.
xdotool windowfocus --sync "$prefs" key ctrl+a type "${TOVRIN_ORIGIN}second.wml"
xdotool key Return
waitFor "! xdotool search --onlyvisible --name '^Prefs\$'" 10 || fail "the preferences window stayed open"
stopWindow
startWindow "$WORK/home" --gateway "$TOVRIN_GATEWAY_HOST"
waitCard Second 0
ok "the home page set in the preferences is used after a restart"
stopWindow

# --- zoom 2: every canvas pixel a 2x2 block ---
ZOOM=2
startWindow "$WORK/home" --zoom 2 --gateway "$TOVRIN_GATEWAY_HOST" "$URL"
waitCard Window 0
[ "$WW" -eq $((2 * $(identify -format %w "$SKINDIR/tovrin.bmp"))) ] || fail "zoomed window width $WW"
canvasShot "$WORK/canvas2.png"
convert "$WORK/ref.png" -sample 200% "png:$WORK/ref2.png"
"$PNGDIFF" "$WORK/ref2.png" "$WORK/canvas2.png" || fail "zoom 2 canvas is not the canvas in 2x2 blocks"
clickAt $((CX + 10)) $((CY + 6))
waitCard Linked 0
ok "zoom 2: sharp pixels, clicks land"
stopWindow
ZOOM=1

# --- closed while a dialog is open: the dialog ends, shutdown runs in order ---
startWindow "$WORK/home" --gateway "$TOVRIN_GATEWAY_HOST" "$URL"
waitCard Window 0
clickAt $((CX + 45)) $((CY + 15 + 6))
waitDialog "text entry"
kill -TERM "$PID"
waitFor "! kill -0 $PID" 10 || fail "the program did not end while a dialog was open"
wait "$PID"; status=$?; PID=
[ "$status" -eq 0 ] || fail "exit status $status"
logHas '^Display: shutdown done$' || fail "no orderly shutdown"
ok "closed with a dialog open: the dialog ends and shutdown runs"

# --- a stored skin that cannot be used: the message, the chooser, then the default ---
sqlite3 "$WORK/home/config/registry.sqlite" \
  "update reg_value set data = CAST('$here/../../headless/cases/missing_picture.skin' || char(0) AS BLOB) where name = 'SkinFile'"
"$TOVRIN" --home "$WORK/home" --gateway "$TOVRIN_GATEWAY_HOST" "$URL" >"$WORK/stdout" 2>"$WORK/stderr" &
PID=$!
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Corvale Tovrin$' | head -n 1) || fail "no message about the bad skin"
xdotool windowfocus --sync "$box" key Return
chooser=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select a Tovrin skin$' | head -n 1) || fail "no skin chooser"
xdotool windowfocus --sync "$chooser" key Escape
WIN=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tovrin$' | head -n 1) || fail "no window after the bad skin"
windowOrigin
[ "$WW" -eq "$(identify -format %w "$SKINDIR/tovrin.bmp")" ] || fail "not the default skin"
logHas 'skin refused: .*missing_picture.skin: .*no-such-picture.bmp: cannot be read' || fail "the reason was not given"
stopWindow
ok "a bad stored skin: message naming the file and reason, chooser, default skin"
echo "PASS"
