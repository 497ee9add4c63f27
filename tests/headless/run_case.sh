#!/usr/bin/env bash
# Runs one headless conversation: tests/headless/cases/NAME.cmd is fed to
# `tovrin --headless` and what it prints must equal NAME.expected.
#   run_case.sh TOVRIN DECK_DIR CASE_FILE
# In the script, @DECKS@ names the compiled test decks, @OUT@ a scratch
# directory, @CASES@ the cases folder. A first line "#! OPTIONS" adds
# command-line options. TOVRIN_UPDATE_GOLDEN=1 rewrites the expectation.
set -u
tovrin=$1 decks=$2 case=$3
dir=$(dirname "$case")
name=$(basename "$case" .cmd)
expected="$dir/$name.expected"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
opts=$(sed -n '1s/^#! //p' "$case")
script="$home/script.txt"
sed -e "s|@DECKS@|$decks|g" -e "s|@OUT@|$home/out|g" -e "s|@CASES@|$dir|g" "$case" > "$script"
mkdir -p "$home/out"
# shellcheck disable=SC2086
actual=$("$tovrin" --home "$home/home" --headless --script "$script" $opts 2>&1)
status=$?
actual="$actual
exit $status"
if [ "${TOVRIN_UPDATE_GOLDEN:-}" = 1 ]; then
  printf '%s\n' "$actual" > "$expected"
  echo "rewrote $expected"
  exit 0
fi
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  echo "FAIL $name (log: kept in $home.log)"
  cp "$home/home/state/wapout.log" "$home.log" 2>/dev/null
  exit 1
fi
echo "ok $name"
