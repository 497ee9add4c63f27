#!/usr/bin/env bash
# Makes the servable demo site in DEST: the decks and scripts as they are,
# the pictures turned from PBM text into WBMP.
#   demo/build_site.sh DEST
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dest=${1:?usage: build_site.sh DEST}
mkdir -p "$dest/images"
cp "$here"/*.wml "$here"/*.wmls "$here"/*.html "$dest"/
for p in "$here"/images/*.pbm; do
  /usr/bin/python3 "$here/pbm_to_wbmp.py" "$p" "$dest/images/$(basename "${p%.pbm}").wbmp"
done
