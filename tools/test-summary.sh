#!/usr/bin/env bash
# Adds up the results that the test shards wrote (Google Test's XML, one file
# per shard) and prints one closing line: "tests: N passed, N failed".
# A shard that ended without writing its results (a crash, the watchdog, a
# timeout) counts as one failed test more, as its tests did not all pass.
#
#   tools/test-summary.sh RESULTS_DIR EXPECTED_SHARDS
set -u
dir=$1
expected=${2:-0}
total=0
failed=0
files=0
missing=0
for f in "$dir"/*.xml; do
  [ -e "$f" ] || continue
  files=$((files + 1))
  # The first <testsuites ...> element carries the program's totals.
  head=$(grep -m1 -o '<testsuites [^>]*>' "$f")
  tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$head")
  failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$head")
  errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$head")
  total=$((total + ${tests:-0}))
  failed=$((failed + ${failures:-0} + ${errors:-0}))
done
if [ "$files" -lt "$expected" ]; then
  missing=$((expected - files))
fi
echo "tests: $((total - failed)) passed, $((failed + missing)) failed"
