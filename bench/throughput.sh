#!/usr/bin/env bash
# Throughput and peak memory of the command-line tool, end to end (process
# start included), on one core, beside GNU UnRTF (`unrtf --text`) and
# `cat` as the floor.
#
#   bench/throughput.sh [TOOL] [SIZES_MIB...]     (default: build/native/idxfilter 1 10)
#
# Needs python3 and, for the comparison, Debian's unrtf package.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../build/native/idxfilter}
shift || true
if [ $# -eq 0 ]; then sizes=(1 10); else sizes=("$@"); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unrtf_timeout=${UNRTF_TIMEOUT:-300}

measure() {  # prints "seconds peak_kb" for a command, one core
  /usr/bin/time -f "%e %M" -o "$work/time" taskset -c 0 "$@" > /dev/null 2>&1 || true
  cat "$work/time" | tail -1
}

printf '%-28s %9s %10s %9s %10s %10s %9s %9s\n' input MB idxfilter MB/s peak_x unrtf_MB/s speedup cat_MB/s
for size in "${sizes[@]}"; do
  python3 "$here/make_inputs.py" "$work/in" "$size"
done
for file in "$work"/in/*; do
  bytes=$(stat -c %s "$file")
  mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')
  read -r secs peak <<< "$(measure "$tool" "$file")"
  rate=$(awk -v b="$bytes" -v s="$secs" 'BEGIN { printf "%.0f", (s > 0 ? b / 1e6 / s : 0) }')
  ratio=$(awk -v k="$peak" -v b="$bytes" 'BEGIN { printf "%.1f", k * 1024 / b }')
  read -r csecs _ <<< "$(measure cat "$file")"
  crate=$(awk -v b="$bytes" -v s="$csecs" 'BEGIN { printf "%.0f", (s > 0 ? b / 1e6 / s : 99999) }')
  urate=-; speedup=-
  if [[ $file == *.rtf ]] && command -v unrtf > /dev/null; then
    /usr/bin/time -f "%e %M" -o "$work/utime" timeout "$unrtf_timeout" taskset -c 0 unrtf --text "$file" > /dev/null 2>&1 || true
    read -r usecs _ <<< "$(tail -1 "$work/utime")"
    if [ -n "${usecs:-}" ]; then
      urate=$(awk -v b="$bytes" -v s="$usecs" 'BEGIN { printf "%.2f", b / 1e6 / s }')
      speedup=$(awk -v a="$usecs" -v s="$secs" 'BEGIN { printf "%.0f", (s > 0 ? a / s : 0) }')
    fi
  fi
  printf '%-28s %9s %10s %9s %10s %10s %9s %9s\n' "$(basename "$file")" "$mb" "${secs}s" "$rate" "$ratio" "$urate" "$speedup" "$crate"
done
