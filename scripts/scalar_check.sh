#!/usr/bin/env bash
# Builds the native tool and tests once more with the SIMD kernels compiled
# out (-DIDXFILTER_SIMD=OFF: every search takes its scalar twin, the code a
# build without SSE2 runs), runs the unit tests, the plain-text tests and
# the library's C interface tests there, and compares the tool's output with
# the normal build's, byte for byte, on the shared samples and on a few
# hundred mutated and random inputs: both readers, plain and --jsonl.
# Any difference fails the run.
#
# Environment: IDXFILTER_SCALAR_BUILD (default build/nosimd),
# IDXFILTER_SIMD_TOOL (default build/native/idxfilter, built beforehand),
# IDXFILTER_SAMPLES (default ../shared/samples, or tests/data where that
# folder is absent), IDXFILTER_SCALAR_INPUTS (default 300).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${IDXFILTER_SCALAR_BUILD:-build/nosimd}
simd_tool=${IDXFILTER_SIMD_TOOL:-build/native/idxfilter}
inputs=${IDXFILTER_SCALAR_INPUTS:-300}
jobs=$(nproc)
[ -x "$simd_tool" ] || { echo "scalar_check.sh: no SIMD build of the tool at $simd_tool" >&2; exit 2; }

echo "configuring $build with -DIDXFILTER_SIMD=OFF"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DIDXFILTER_SIMD=OFF > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 2; }
ninja -C "$build" -j "$jobs" idxfilter_cli unit_tests plain_text_tests extract_api_tests
for program in tests/unit_tests tests/plain_text/plain_text_tests tests/extract/extract_api_tests; do
  echo "scalar build: $program"
  "$build/$program" --gtest_brief=1
done

samples=${IDXFILTER_SAMPLES:-../shared/samples}
[ -d "$samples" ] || samples=tests/data
work=$(mktemp -d "${TMPDIR:-/tmp}/idxfilter-scalar.XXXXXX")
trap 'rm -rf "$work"' EXIT
mapfile -d '' sample_files < <(find "$samples" -type f -print0 | sort -z)
python3 scripts/mutated_inputs.py "$work/inputs" "$inputs" 15 "${sample_files[@]}"
mapfile -d '' mutated_files < <(find "$work/inputs" -type f -print0 | sort -z)

# One run of each build per mode and file set; the exit status is compared
# too (1, some file gave no text, is an answer like any other).
failed=0
compare() {
  local label=$1; shift
  local simd_rc=0 scalar_rc=0
  "$simd_tool" "$@" > "$work/simd.out" 2> "$work/simd.err" || simd_rc=$?
  "$build/idxfilter" "$@" > "$work/scalar.out" 2> "$work/scalar.err" || scalar_rc=$?
  if [ "$simd_rc" != "$scalar_rc" ] || ! cmp -s "$work/simd.out" "$work/scalar.out" \
     || ! cmp -s "$work/simd.err" "$work/scalar.err"; then
    echo "DIFFERENT: $label (status $simd_rc vs $scalar_rc)" >&2
    cmp "$work/simd.out" "$work/scalar.out" >&2 || true
    failed=1
  else
    echo "same: $label ($(wc -c < "$work/simd.out") bytes, status $simd_rc)"
  fi
}
for set in samples mutated; do
  if [ "$set" = samples ]; then files=("${sample_files[@]}"); else files=("${mutated_files[@]}"); fi
  for mode in "--complete" "--exact" "--complete --jsonl" "--exact --jsonl" "--exact --utf16" \
              "--complete --ansi-codepage auto --jsonl"; do
    # shellcheck disable=SC2086
    compare "idxfilter $mode over ${#files[@]} $set files" $mode -- "${files[@]}"
  done
done
if [ "$failed" != 0 ]; then
  echo "scalar_check.sh: the build without SIMD kernels gives other output" >&2
  exit 1
fi
echo "scalar_check.sh: the scalar build's output is byte-identical to the SIMD build's"
