#!/usr/bin/env bash
# Peak memory and time of the command-line tool on large documents.
#
#   bench/memory_limits.sh [TOOL] [SIZES_MIB...]
#
# TOOL defaults to build/native/idxfilter (a Release build); SIZES_MIB to
# "10 100 1024". For each size it generates documents of each kind in
# IDXFILTER_BENCH_KINDS (default "rich ansi raw8 fonts groups fontwords
# opengroups numbers") in
# $IDXFILTER_BENCH_DIR (default: a fresh folder under ${TMPDIR:-/tmp},
# removed afterwards):
#   rich    rich-edit style RTF: font table with several character sets,
#           bold groups, escapes, hyperlink fields
#   ansi    plain text in the ANSI code page with 8-bit bytes
#   raw8    RTF whose text is raw 8-bit bytes (a Cyrillic text written in
#           the ANSI code page without escapes), the costliest encoding
#   fonts   hostile RTF: a font table of nothing but font entries
#   groups  hostile RTF: a font table of groups never closed
#   fontwords  hostile RTF: a font table of one font word repeated, "\f1"
#           (3 bytes an entry)
#   opengroups hostile RTF: font-table groups with a byte of text each,
#           "{a", never closed
#   numbers hostile RTF: a font table of distinct font numbers, "\f0\f1..."
#           (about 9 bytes an entry), with text in one of them after it
# It runs `TOOL --READER FILE > /dev/null`, for each reader of
# IDXFILTER_BENCH_READERS (default "exact complete"), under
# /usr/bin/time and prints seconds, peak RSS, the ratio of peak RSS to file
# size and the seconds per MiB (constant when the time is linear).
#
# Exit status 1 when a ratio exceeds IDXFILTER_BENCH_MAX_RATIO (default 8)
# or the tool fails. Not a test: timings depend on the machine and load.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-build/native/idxfilter}
shift || true
sizes=${*:-10 100 1024}
max_ratio=${IDXFILTER_BENCH_MAX_RATIO:-8}
[ -x "$tool" ] || { echo "memory_limits.sh: no tool at $tool (build it first)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "memory_limits.sh: needs GNU time (/usr/bin/time)" >&2; exit 2; }
if [ -n "${IDXFILTER_BENCH_DIR:-}" ]; then
  dir=$IDXFILTER_BENCH_DIR
  mkdir -p "$dir"
else
  dir=$(mktemp -d "${TMPDIR:-/tmp}/idxfilter-bench.XXXXXX")
  trap 'rm -rf "$dir"' EXIT
fi

# Writes a document of about SIZE MiB of KIND (rich or ansi) to FILE.
generate() {
  local kind=$1 mib=$2 file=$3
  python3 - "$kind" "$mib" "$file" <<'PY'
import sys
kind, mib, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
if kind == "rich":
    head = (b"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
            b"{\\f1\\froman\\fcharset204 Times New Roman Cyr;}{\\f2\\fnil\\fcharset128 MS Mincho;}}"
            b"{\\colortbl ;\\red255\\green0\\blue0;}\\viewkind4\\uc1\n")
    para = (b"\\pard\\f0\\fs20 Quarterly {\\b report} caf\\'e9 sales rose by 12\\'96 15 percent; "
            b"\\f1 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\f2 \\'93\\'fa\\'96\\'7b\\'8c\\'ea\\f0  see "
            b"{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/report%20q1.html\"}}"
            b"{\\fldrslt{\\ul\\cf1 the summary}}} for details.\\tab end\\par\n")
    tail = b"}"
elif kind == "raw8":
    head = b"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times New Roman Cyr;}}\\f0 "
    para = b"\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0 \xee\xf2\xf7\xb8\xf2\\par\n"
    tail = b"}"
elif kind == "fonts":
    head = b"{\\rtf1{\\fonttbl"
    para = b"{\\f1\\fcharset0 A;}\\f2\\f3"
    tail = b"}text}"
elif kind == "fontwords":
    head = b"{\\rtf1{\\fonttbl"
    para = b"\\f1"
    tail = b"}\\f1 text}"
elif kind == "opengroups":
    head = b"{\\rtf1{\\fonttbl"
    para = b"{a"
    tail = b""
elif kind == "numbers":
    head = b"{\\rtf1{\\fonttbl"
    para = None
    tail = b"}\\f5 text}"
elif kind == "groups":
    head = b"{\\rtf1{\\fonttbl"
    para = b"{"
    tail = b""
else:
    head = b""
    para = b"ansi text caf\xe9 na\xefve r\xe9sum\xe9 \x80 12\x9615 \x93quoted\x94 and more words\r\n"
    tail = b""
target = mib * 1024 * 1024
if para is None:
    # Distinct numbers, counting up, a mebibyte at a time.
    with open(path, "wb") as out:
        out.write(head)
        written, number = len(head), 0
        while written < target - len(tail) - (1 << 20):
            words = b"".join(b"\\f%d" % n for n in range(number, number + 100000))
            number += 100000
            out.write(words)
            written += len(words)
        out.write(tail)
    sys.exit(0)
chunk = para * max(1, (1 << 20) // len(para))
with open(path, "wb") as out:
    out.write(head)
    written = len(head)
    while written + len(chunk) <= target - len(tail):
        out.write(chunk)
        written += len(chunk)
    while written + len(para) <= target - len(tail):
        out.write(para)
        written += len(para)
    out.write(tail)
PY
}

status=0
printf '%-10s %-8s %9s %9s %12s %8s %9s\n' kind reader MiB seconds "peak KB" ratio "s/MiB"
for mib in $sizes; do
  for kind in ${IDXFILTER_BENCH_KINDS:-rich ansi raw8 fonts groups fontwords opengroups numbers}; do
    file="$dir/$kind-$mib.doc"
    generate "$kind" "$mib" "$file"
    bytes=$(stat -c %s "$file")
    for reader in ${IDXFILTER_BENCH_READERS:-exact complete}; do
    # Exit status 1 (no text delivered) is an answer, not a failure: the
    # hostile documents may hold no text.
    rc=0
    /usr/bin/time -f "%e %M" -o "$dir/time" "$tool" "--$reader" "$file" > /dev/null 2> "$dir/stderr" || rc=$?
    if [ "$rc" -gt 1 ]; then
      echo "memory_limits.sh: $tool --$reader failed (status $rc) on $kind $mib MiB: $(head -c 300 "$dir/stderr")" >&2
      status=1
    fi
    read -r seconds peak_kb < <(tail -n 1 "$dir/time")
    ratio=$(awk -v kb="$peak_kb" -v b="$bytes" 'BEGIN { printf "%.2f", kb * 1024 / b }')
    per_mib=$(awk -v s="$seconds" -v b="$bytes" 'BEGIN { printf "%.4f", s / (b / 1048576) }')
    printf '%-10s %-8s %9.1f %9s %12s %8s %9s\n' "$kind" "$reader" "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" \
      "$seconds" "$peak_kb" "$ratio" "$per_mib"
    if awk -v r="$ratio" -v m="$max_ratio" 'BEGIN { exit !(r > m) }'; then
      echo "  over the target: peak memory ${ratio}x the file size (target ${max_ratio}x)"
      status=1
    fi
    done
    rm -f "$file"
  done
done
exit $status
