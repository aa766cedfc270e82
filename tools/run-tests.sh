#!/usr/bin/env bash
# Runs every test of the test build (build/test) with ctest, each test
# program as its shards in parallel, and closes with the number of tests
# passed and failed, added up from the shards' results.
#
#   tools/run-tests.sh [JOBS]
set -u
cd "$(dirname "$0")/../build/test" || exit 2
jobs=${1:-$(nproc)}
rm -rf gtest-results
mkdir -p gtest-results
# The tests lay out many program directories: in memory where the machine
# has a memory file system.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=$(mktemp -d /dev/shm/bravinox-tests.XXXXXX) && export TMPDIR
fi
# A smaller quarantine than AddressSanitizer's 256 MB lets the test programs
# reuse the pages of freed show tables instead of mapping fresh ones for
# every test; freed blocks are still poisoned and checked.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
ctest --output-on-failure -j "$jobs" --timeout 600
rc=$?
case "${TMPDIR:-}" in /dev/shm/bravinox-tests.*) rm -rf "$TMPDIR" ;; esac
shards=$(ctest -N | grep -c 'Test *#')
../../tools/test-summary.sh gtest-results "$shards"
exit $rc
