#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each one for
# SECONDS (default 20), starting from its checked-in corpus.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
shift || true
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DTOVRIN_FUZZ=ON
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find build-fuzz/tests/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x -printf '%f\n' | sort)
fi
mkdir -p tests/fuzz/artifacts
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  work=$(mktemp -d)
  [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$work/"
  echo "fuzz: $t for ${secs}s"
  "build-fuzz/tests/fuzz/$t" -max_total_time="$secs" -print_final_stats=0 \
      -artifact_prefix="tests/fuzz/artifacts/$t-" "$work" 2>&1 | tail -n 3
  rm -rf "$work"
done
