#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60) from
# the seeds in fuzz/corpus. Fails when any fuzzer reports a finding (crash,
# failed invariant, leak, timeout, memory limit); each finding is minimized
# and saved as fuzz/corpus/<target>/regression-<hash>, which the replay
# tests of the ordinary build then run for good.
#
# Needs clang-14 and libclang-rt-14-dev (Debian 12). Environment:
#   IDXFILTER_FUZZ_BUILD  build folder (default build/fuzz); the corpus the
#                         fuzzers grow stays there, so later runs go deeper
#   IDXFILTER_FUZZ_CXX    C++ compiler (default clang++-14, else clang++)
#   IDXFILTER_FUZZ_JOBS   build jobs (default nproc)
#   IDXFILTER_FUZZ_TARGETS targets to run (default: all of them)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${IDXFILTER_FUZZ_BUILD:-build/fuzz}
jobs=${IDXFILTER_FUZZ_JOBS:-$(nproc)}
targets=${IDXFILTER_FUZZ_TARGETS:-filter rtf text_buffers tokens query complete}
cxx=${IDXFILTER_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
cc=${cxx/clang++/clang}
[ -n "$cxx" ] || { echo "fuzz.sh: clang++ not found (install clang-14 libclang-rt-14-dev)" >&2; exit 2; }

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DIDXFILTER_TESTS=OFF -DIDXFILTER_FUZZ=ON \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 2; }
# Only the fuzz targets: the shared library and the tool are not linked
# with the sanitizer runtimes here.
ninja -C "$build" -j "$jobs" $(printf 'fuzz_%s ' $targets) || exit 2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for name in $targets; do
  work="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  log="$build/logs/$name.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")" "fuzz/corpus/$name"
  echo "== fuzz_$name: ${seconds} s =="
  "$build/fuzz/fuzz_$name" -dict=fuzz/rtf.dict -max_total_time="$seconds" -max_len=16384 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work" fuzz/corpus/seeds "fuzz/corpus/$name" tests/data > "$log" 2>&1
  status=$?
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$log" | sed 's/^/  /'
  if [ $status -ne 0 ]; then
    failed=1
    echo "  FINDING (exit $status), log: $log"
    grep -m1 -E 'ERROR: |invariant failed|runtime error' "$log" | sed 's/^/  /'
    for crash in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
      [ -f "$crash" ] || continue
      minimized="$crash.min"
      "$build/fuzz/fuzz_$name" -minimize_crash=1 -max_total_time=60 -runs=100000 \
        -exact_artifact_path="$minimized" "$crash" > "$log.minimize" 2>&1
      [ -s "$minimized" ] || cp "$crash" "$minimized"
      saved="fuzz/corpus/$name/regression-$(sha1sum "$minimized" | cut -c1-12)"
      cp "$minimized" "$saved"
      echo "  saved $saved ($(stat -c %s "$saved") bytes): $(head -c 120 "$saved" | od -An -c | tr -s ' ' | head -3 | tr '\n' ' ')"
      rm -f "$crash"
    done
  fi
done
exit $failed
