#!/usr/bin/env bash
# Runs one headless conversation: tests/headless/cases/NAME.cmd is fed to
# `tovrin --headless` and what it prints must equal NAME.expected; every
# screenshot it writes to @OUT@ must equal golden/SHOT.png pixel for pixel.
#   run_case.sh TOVRIN DECK_DIR CASE_FILE PNG_DIFF
# In the script, @DECKS@ names the compiled test decks, @OUT@ a scratch
# directory, @CASES@ the cases folder, @SKINS@ the skins beside the program. A first line "#! OPTIONS" adds
# command-line options. TOVRIN_UPDATE_GOLDEN=1 rewrites the expectation.
set -u
tovrin=$1 decks=$2 case=$3 pngdiff=$4
dir=$(dirname "$case")
name=$(basename "$case" .cmd)
expected="$dir/$name.expected"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
opts=$(sed -n '1s/^#! //p' "$case")
script="$home/script.txt"
skins=$(cd "$(dirname "$tovrin")" && pwd)/skins
sed -e "s|@DECKS@|$decks|g" -e "s|@OUT@|$home/out|g" -e "s|@CASES@|$dir|g" -e "s|@SKINS@|$skins|g" "$case" > "$script"
mkdir -p "$home/out"
# shellcheck disable=SC2086
# Standard output only: the sanitizer build reports its suppressions on
# standard error.
actual=$("$tovrin" --home "$home/home" --headless --script "$script" $opts 2>"$home/stderr")
status=$?
actual=$(printf "%s" "$actual" | sed -e "s|$home/out|@OUT@|g" -e "s|$skins|@SKINS@|g" -e "s|$dir|@CASES@|g" -e "s|Build [^ ]*|Build @BUILD@|g")
actual="$actual
exit $status"
golden="$(dirname "$dir")/golden"
if [ "${TOVRIN_UPDATE_GOLDEN:-}" = 1 ]; then
  printf '%s\n' "$actual" > "$expected"
  mkdir -p "$golden"
  for shot in "$home"/out/*.png; do
    [ -e "$shot" ] && cp "$shot" "$golden/" && echo "rewrote $golden/$(basename "$shot")"
  done
  echo "rewrote $expected"
  exit 0
fi
failed=0
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  failed=1
fi
for shot in "$home"/out/*.png; do
  [ -e "$shot" ] || continue
  base=$(basename "$shot")
  if ! "$pngdiff" "$golden/$base" "$shot"; then
    cp "$shot" "/tmp/actual_$base"
    echo "screenshot $base differs from $golden/$base (actual kept in /tmp/actual_$base)"
    failed=1
  fi
done
if [ "$failed" -ne 0 ]; then
  cp "$home/home/state/wapout.log" "$home.log" 2>/dev/null
  echo "FAIL $name (log kept in $home.log)"
  exit 1
fi
echo "ok $name"
