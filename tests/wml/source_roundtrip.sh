#!/usr/bin/env bash
# Every test, site and demo deck, compiled as ISO-8859-1 and as UTF-8, must
# give one source text that compiles back to each deck byte for byte; decks
# listed in SOURCE_DIR/lossy.txt must instead match SOURCE_DIR/NAME.txt
# (NAME: folder-file) and really not come back. TOVRIN_UPDATE_GOLDEN=1
# rewrites the texts.
#   source_roundtrip.sh DECOMPILE_DECK WML_TESTER SOURCE_DIR WML_DIR...
set -u
decompile=$1 compiler=$2 source_dir=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
checked=0
lossy=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$source_dir/lossy.txt" | awk '{print $1}')

fail() { echo "FAIL $1"; failed=1; }

# compile CHARSET IN OUT: reads IN as CHARSET whatever its XML declaration says.
compile() {
  "$compiler" -b -c "$1" "$2" >"$3" 2>"$work/compiler.log" && [ -s "$3" ]
}

# back NAME CHARSET DECK TEXT: the text compiled again gives DECK.
back() {
  local in=$4
  if [ "$2" = ISO-8859-1 ]; then
    in="$work/$1.again.l1"
    iconv -f UTF-8 -t ISO-8859-1 "$4" >"$in" 2>/dev/null || return 1
  fi
  compile "$2" "$in" "$work/$1.again" && cmp -s "$3" "$work/$1.again"
}

for dir in "$@"; do
  for src in "$dir"/*.wml; do
    name=$(basename "$dir")-$(basename "$src" .wml)
    latin="$work/$name.l1.wmlc" utf8="$work/$name.u8.wmlc"
    if ! compile ISO-8859-1 "$src" "$latin"; then
      fail "$name: does not compile"
      continue
    fi
    sed 's/encoding="ISO-8859-1"/encoding="UTF-8"/' "$src" | iconv -f ISO-8859-1 -t UTF-8 >"$work/$name.u8.wml"
    compile UTF-8 "$work/$name.u8.wml" "$utf8" || { fail "$name: does not compile as UTF-8"; continue; }
    "$decompile" "$latin" >"$work/$name.txt" || { fail "$name: Decompile did not answer 0"; continue; }
    "$decompile" "$utf8" >"$work/$name.u8.txt" || { fail "$name: Decompile did not answer 0 (UTF-8)"; continue; }
    checked=$((checked + 1))
    if ! cmp -s "$work/$name.txt" "$work/$name.u8.txt"; then
      fail "$name: the ISO-8859-1 and UTF-8 decks read differently"
      diff "$work/$name.txt" "$work/$name.u8.txt" | head -20
    fi
    if printf '%s\n' "$lossy" | grep -qx "$name"; then
      expected="$source_dir/$name.txt"
      if [ "${TOVRIN_UPDATE_GOLDEN:-}" = 1 ]; then
        cp "$work/$name.txt" "$expected" && echo "rewrote $expected"
      elif ! diff -u "$expected" "$work/$name.txt"; then
        fail "$name: text differs from $expected"
      fi
      if back "$name" ISO-8859-1 "$latin" "$work/$name.txt"; then
        fail "$name: comes back whole: drop it from lossy.txt"
      fi
    else
      back "$name" ISO-8859-1 "$latin" "$work/$name.txt" || fail "$name: recompiled text differs from the deck"
      back "$name.u8" UTF-8 "$utf8" "$work/$name.u8.txt" || fail "$name: recompiled text differs from the UTF-8 deck"
    fi
  done
done
# Every listed deck was seen.
for name in $lossy; do
  [ -e "$work/$name.txt" ] || fail "$name in lossy.txt: no such deck"
done
if [ "$checked" -lt 30 ]; then
  fail "only $checked decks found"
fi
[ "$failed" -eq 0 ] && echo "ok: $checked decks"
exit "$failed"
