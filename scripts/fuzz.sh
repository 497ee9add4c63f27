#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each one for
# SECONDS (default 20), starting from its checked-in corpus. A crash, a
# leak, running out of memory or a unit slower than TOVRIN_FUZZ_TIMEOUT
# seconds (default 2: no pass may take seconds over one input) fails the
# target; every target runs, and the script fails when any target did.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
shift || true
timeout=${TOVRIN_FUZZ_TIMEOUT:-2}
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DTOVRIN_FUZZ=ON
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find build-fuzz/tests/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x -printf '%f\n' | sort)
fi
mkdir -p tests/fuzz/artifacts
failed=()
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  work=$(mktemp -d)
  [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$work/"
  echo "fuzz: $t for ${secs}s"
  status=0
  "build-fuzz/tests/fuzz/$t" -max_total_time="$secs" -timeout="$timeout" -print_final_stats=0 \
      -artifact_prefix="tests/fuzz/artifacts/$t-" "$work" >"$work.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    tail -n 3 "$work.log"
  else
    # The report: the reason, the stack and the unit written.
    tail -n 40 "$work.log"
    echo "fuzz: $t failed with status $status"
    failed+=("$t")
  fi
  rm -rf "$work" "$work.log"
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failed: ${failed[*]} (units in tests/fuzz/artifacts)"
  exit 1
fi
