#!/usr/bin/env bash
# Builds the concurrency tests with ThreadSanitizer (g++) in a build of
# their own and runs them: eight threads calling the export at
# once on the same and on different files, and the portable ANSI code page
# switched while others convert. Any data race, or any call that delivers
# other than a call alone, fails the run.
#
# Arguments go to the test program (e.g. --gtest_also_run_disabled_tests).
# Environment: IDXFILTER_TSAN_BUILD (default build/tsan), IDXFILTER_TSAN_JOBS
# (default nproc).
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
ninja -C "$build" -j "$jobs" concurrency_tests
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66"
"$build/tests/robustness/concurrency_tests" "$@"
