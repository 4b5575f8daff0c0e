#!/usr/bin/env bash
# Times `idxfilter search` where it used to be slow: an index of many
# documents, and one of a single 200 MB document that holds the searched
# word on every line (FTS5's own snippet() took minutes there) or only at
# its very end.
#
# usage: bench/search_bench.sh TOOL [COUNT]
set -euo pipefail
tool=$(realpath "$1")
count=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(dirname "$0")

mkdir -p "$work/many" "$work/every" "$work/end"
python3 - "$work" "$count" <<'PY'
import sys
work, count = sys.argv[1], int(sys.argv[2])
words = "harbour creme report budget market river summer garden".split()
for i in range(count):
    with open(f"{work}/many/doc{i:05d}.txt", "w") as f:
        f.write(" ".join(words[(i + k) % len(words)] for k in range(400)) + f" unique{i}\n")
with open(f"{work}/every/doc.txt", "w") as f:
    f.write("the creme is here today\n" * 8400000)
with open(f"{work}/end/doc.txt", "w") as f:
    f.write("plain filler words only\n" * 8400000 + "creme at the end\n")
PY
for index in many every end; do
    "$tool" index --db "$work/$index.db" "$work/$index" 2> /dev/null
done

time_search() {
    local db=$1; shift
    local start end
    start=$(date +%s.%N)
    "$tool" search --db "$work/$db.db" --limit 20 -- "$@" > /dev/null || true
    end=$(date +%s.%N)
    printf '%-6s %-40s %6.3f s\n' "$db" "$*" "$(echo "$end - $start" | bc)"
}
time_search many creme
time_search many 'harbour OR river'
time_search many unique4242
time_search many 'harb*'
time_search every creme
time_search every '"creme is here"'
time_search end creme
