#!/usr/bin/env bash
# The program's command line and headless command loop, end to end.
set -u
tovrin=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
failures=0
check() {  # check NAME EXPECTED-STATUS EXPECTED-OUTPUT-SUBSTRING -- command...
  local name=$1 want=$2 text=$3; shift 4
  local out status
  out=$("$@" 2>&1); status=$?
  if [ "$status" -ne "$want" ] || [[ "$out" != *"$text"* ]]; then
    echo "FAIL $name: status $status (want $want), output: $out"
    failures=$((failures + 1))
  fi
}

check quit 0 "quit" -- sh -c "printf 'quit\n' | '$tovrin' --home '$home' --headless"
check comments 0 "quit" -- sh -c "printf '# a comment\n\n  quit\n' | '$tovrin' --home '$home' --headless"
check unknown 1 "error: unknown command frobnicate" -- sh -c "printf 'frobnicate\nquit\n' | '$tovrin' --home '$home' --headless"
out=$(printf 'bogus\nquit\n' | "$tovrin" --home "$home" --headless)
if grep -q '^quit' <<<"$out"; then echo "FAIL stops-at-failure: ran on after a failed command"; failures=$((failures + 1)); fi
check bad-port 2 "bad port" -- "$tovrin" --home "$home" --headless --port 80
check bad-screen 2 "bad screen size" -- "$tovrin" --home "$home" --headless --screen 12by4
check missing-value 2 "--home needs a value" -- "$tovrin" --headless --home
check two-urls 2 "more than one URL" -- "$tovrin" --home "$home" --headless a b
check bad-zoom 2 "bad zoom" -- "$tovrin" --home "$home" --zoom 4
check help 0 "--headless" -- "$tovrin" --help
check version 0 "Tovrin Version " -- "$tovrin" --version
check no-display 2 "use --headless" -- env -u DISPLAY -u WAYLAND_DISPLAY "$tovrin" --home "$home/nodisplay"
[ -e "$home/nodisplay" ] && { echo "FAIL no-display: wrote files before giving up"; failures=$((failures + 1)); }
printf 'quit\n' > "$home/script.txt"
check script-file 0 "quit" -- "$tovrin" --home "$home" --headless --script "$home/script.txt"
check env-home 0 "quit" -- env TOVRIN_HOME="$home/envhome" sh -c "printf 'quit\n' | '$tovrin' --headless"
[ -f "$home/envhome/state/wapout.log" ] || { echo "FAIL env-home: no log under TOVRIN_HOME"; failures=$((failures + 1)); }
grep -q '^Display: Version ' "$home/state/wapout.log" || { echo "FAIL log: no version line"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "cli: all passed"
exit "$failures"
