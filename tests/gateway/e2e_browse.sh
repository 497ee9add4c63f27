#!/usr/bin/env bash
# One browsing conversation through the test gateway: browse/NAME.cmd is
# fed to `tovrin --headless` on the given port and what it prints must
# equal browse/NAME.expected, where {{A|B}} is A on 9201 and B on 9200 (the
# status line tells the modes apart). In the script @ORIGIN@ is the origin's
# URL base and @OUT@ a scratch directory; a first line "#! OPTIONS" adds
# command-line options (after the gateway's, so they may override them).
# TOVRIN_UPDATE_GOLDEN=1 rewrites an expectation that has no {{A|B}}.
#   e2e_browse.sh TOVRIN GATEWAY_ENV CASE_FILE PORT
set -u
tovrin=$1 port=$4 case=$3
. "$2"
dir=$(dirname "$case")
name=$(basename "$case" .cmd)
expected="$dir/$name.expected"
pick='\1'
[ "$port" = 9200 ] && pick='\2'
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
  if grep -q '{{' "$expected"; then
    printf '%s\n' "$actual" >"/tmp/tovrin-browse-$name-$port.actual"
    echo "$expected has per-mode text: merge /tmp/tovrin-browse-$name-$port.actual by hand"
    exit 1
  fi
  printf '%s\n' "$actual" >"$expected"
  echo "rewrote $expected"
  exit 0
fi
if ! diff -u <(sed -E "s/\{\{([^|}]*)\|([^}]*)\}\}/$pick/g" "$expected") <(printf '%s\n' "$actual"); then
  cp "$home/home/state/wapout.log" "/tmp/tovrin-browse-$name-$port.log" 2>/dev/null
  echo "FAIL $name on port $port (log kept in /tmp/tovrin-browse-$name-$port.log)"
  exit 1
fi
echo "ok $name on port $port"
