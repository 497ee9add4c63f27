#!/usr/bin/env bash
# One browsing conversation through the test gateway: browse/NAME.cmd is
# fed to `tovrin --headless` on the given port and what it prints must
# equal browse/NAME.PORT.expected when there is one (the status line tells
# the modes apart), else browse/NAME.expected. In the script @ORIGIN@ is the origin's URL base and
# @OUT@ a scratch directory; a first line "#! OPTIONS" adds command-line
# options (after the gateway's, so they may override them). TOVRIN_UPDATE_GOLDEN=1 rewrites the
# expectation.
#   e2e_browse.sh TOVRIN GATEWAY_ENV CASE_FILE PORT
set -u
tovrin=$1 port=$4 case=$3
. "$2"
dir=$(dirname "$case")
name=$(basename "$case" .cmd)
expected="$dir/$name.expected"
[ -f "$dir/$name.$port.expected" ] && expected="$dir/$name.$port.expected"
home=$(mktemp -d /tmp/tovrin-e2e-browse-XXXXXX)
trap 'rm -rf "$home"' EXIT
opts=$(sed -n '1s/^#! //p' "$case")
script="$home/script.txt"
sed -e "s|@ORIGIN@|$TOVRIN_ORIGIN|g" -e "s|@OUT@|$home/out|g" "$case" >"$script"
mkdir -p "$home/out"
# shellcheck disable=SC2086
actual=$("$tovrin" --home "$home/home" --headless --script "$script" \
  --gateway "$TOVRIN_GATEWAY_HOST" --port "$port" $opts 2>"$home/stderr")
status=$?
# A card laid out inside the waiting state's own poll is set idle twice;
# whether it is depends on how soon the gateway answers, so a state
# repeated in a trail is folded.
actual=$(printf '%s' "$actual" | sed -E -e "s|$home/out|@OUT@|g" -e "s|$TOVRIN_ORIGIN|@ORIGIN@|g" \
  -e '/^trail /{:a' -e 's/(BSTATE_[A-Z_]+) \1( |$)/\1\2/' -e 'ta' -e '}')
actual="$actual
exit $status"
if [ "${TOVRIN_UPDATE_GOLDEN:-}" = 1 ]; then
  # The first port's output is the common one; another port gets a file
  # of its own only where it differs.
  if [ -f "$dir/$name.expected" ] && [ "$expected" = "$dir/$name.expected" ] \
     && ! diff -q "$expected" <(printf '%s\n' "$actual") >/dev/null && [ "$port" != 9201 ]; then
    expected="$dir/$name.$port.expected"
  fi
  printf '%s\n' "$actual" >"$expected"
  echo "rewrote $expected"
  exit 0
fi
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  cp "$home/home/state/wapout.log" "/tmp/tovrin-browse-$name-$port.log" 2>/dev/null
  echo "FAIL $name on port $port (log kept in /tmp/tovrin-browse-$name-$port.log)"
  exit 1
fi
echo "ok $name on port $port"
