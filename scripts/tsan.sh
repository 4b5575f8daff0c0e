#!/usr/bin/env bash
# Builds the concurrency tests and the command-line tool with
# ThreadSanitizer (g++) in a build of their own and runs them: eight threads
# calling the export at once on the same and on different files, and the
# portable ANSI code page switched while others convert; then the tool
# filtering the samples on eight threads, and indexing them on eight
# threads beside its writer. Any report, or any call that delivers other
# than a call alone, fails the run.
#
# Arguments go to the test program (e.g. --gtest_also_run_disabled_tests).
# Environment: IDXFILTER_TSAN_BUILD (default build/tsan), IDXFILTER_TSAN_JOBS
# (default nproc), IDXFILTER_SAMPLES (default ../shared/samples, or
# tests/data where that folder is absent).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${IDXFILTER_TSAN_BUILD:-build/tsan}
jobs=${IDXFILTER_TSAN_JOBS:-$(nproc)}
flags="-fsanitize=thread -fno-omit-frame-pointer -O1 -g"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 2; }
# Only this program: the nesting tests build megabyte documents at start-up,
# which takes minutes under ThreadSanitizer and tests nothing threaded.
ninja -C "$build" -j "$jobs" concurrency_tests idxfilter_cli
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66"
"$build/tests/robustness/concurrency_tests" "$@"

samples=${IDXFILTER_SAMPLES:-../shared/samples}
[ -d "$samples" ] || samples=tests/data
mapfile -d '' files < <(find "$samples" -type f -print0 | sort -z)
work=$(mktemp -d "${TMPDIR:-/tmp}/idxfilter-tsan.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Exit status 1 (some file gave no text) is an answer; a report exits 66.
run_tool() {
  local rc=0
  "$build/idxfilter" "$@" > /dev/null 2> "$work/stderr" || rc=$?
  if [ "$rc" -gt 1 ] || grep -q "ThreadSanitizer" "$work/stderr"; then
    cat "$work/stderr" >&2
    echo "tsan.sh: idxfilter $1 ... failed (status $rc)" >&2
    exit 1
  fi
}
# Each reader, and the index twice: a first run and one with nothing to do.
for reader in --complete --exact; do
  echo "idxfilter $reader --jobs 8 over ${#files[@]} files of $samples"
  run_tool $reader --jobs 8 -- "${files[@]}"
  echo "idxfilter index $reader --jobs 8 over $samples"
  run_tool index $reader --jobs 8 --db "$work/index$reader.db" "$samples"
  run_tool index $reader --jobs 8 --db "$work/index$reader.db" "$samples"
done
