#!/bin/sh
# Indexing throughput: generates COUNT small documents (2 to 50 KiB; half
# RTF with Western and Cyrillic fonts, half plain text in UTF-8, code page
# 1252 and UTF-16), indexes them into a fresh index, then indexes the
# unchanged folder again, and prints files per second for both runs; first
# it runs the filter alone over every file (`idxfilter --jobs`, output to
# /dev/null).
#
# usage: bench/index_many_files.sh TOOL [COUNT] [JOBS]
#   TOOL   the built idxfilter (e.g. build/release/idxfilter)
#   COUNT  number of documents (default 10000)
#   JOBS   --jobs for the index command (default: the tool's default)
# WORK=dir keeps the documents and the index there instead of a temporary
# folder that is removed afterwards.
set -eu
tool=$(realpath "$1")
count=${2:-10000}
jobs=${3:+--jobs $3}
if [ -n "${WORK:-}" ]; then
    work=$WORK; mkdir -p "$work"
else
    work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fi
docs=$work/docs
db=$work/bench.db
rm -rf "$docs" "$db" "$db-wal" "$db-shm"

python3 - "$docs" "$count" <<'PY'
import os, random, sys
docs, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
latin = ("report harbour quarterly caf\u00e9 na\u00efve fa\u00e7ade sales region north total "
         "summary figures growth budget forecast meeting agenda minutes draft review "
         "customer supplier invoice payment delivery schedule").split()
cyrillic = ("\u043e\u0442\u0447\u0451\u0442 \u043f\u0440\u043e\u0434\u0430\u0436\u0438 "
            "\u0440\u0435\u0433\u0438\u043e\u043d \u0438\u0442\u043e\u0433 \u043f\u043b\u0430\u043d "
            "\u0432\u0441\u0442\u0440\u0435\u0447\u0430").split()
def words(vocabulary, n):
    return " ".join(rng.choice(vocabulary) for _ in range(n)) + " doc%d" % rng.randrange(10**6)
def rtf_escape(text, codepage):
    return "".join(c if ord(c) < 0x80 else "".join("\\'%02x" % b for b in c.encode(codepage))
                   for c in text)
for i in range(count):
    folder = os.path.join(docs, "d%02d" % (i % 50), "e%d" % (i % 7))
    os.makedirs(folder, exist_ok=True)
    target = rng.randint(2048, 50 * 1024)
    kind = i % 6
    if kind < 3:
        parts = ["{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                 "{\\f1\\froman\\fcharset204 Times New Roman Cyr;}}\n"]
        size = len(parts[0])
        while size < target:
            if rng.random() < 0.25:
                p = "\\pard\\f1\\fs22 %s\\par\n" % rtf_escape(words(cyrillic, 12), "cp1251")
            else:
                p = "\\pard\\f0\\fs22 {\\b %s} %s\\par\n" % (
                    rtf_escape(words(latin, 3), "cp1252"), rtf_escape(words(latin, 15), "cp1252"))
            parts.append(p)
            size += len(p)
        data = ("".join(parts) + "}\n").encode("ascii")
        name = "doc%05d.rtf" % i
    else:
        lines, size = [], 0
        while size < target:
            line = words(latin, 14) + "\n"
            lines.append(line)
            size += len(line)
        text = "".join(lines)
        data = (text.encode("utf-8") if kind == 3 else text.encode("cp1252") if kind == 4
                else b"\xff\xfe" + text[: len(text) // 2].encode("utf-16-le"))
        name = "doc%05d.txt" % i
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
PY
bytes=$(du -sb "$docs" | cut -f1)
echo "documents: $count files, $((bytes / 1048576)) MiB, in $docs"
sync

run() {
    start=$(date +%s.%N)
    "$tool" index --db "$db" $jobs "$docs" 2> "$work/summary" || true
    end=$(date +%s.%N)
    python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); n=int(sys.argv[3]); \
print('%-22s %7.2f s  %8.0f files/s  %6.1f MB/s' % (sys.argv[4], s, n / s, int(sys.argv[5]) / s / 1e6))" \
        "$start" "$end" "$count" "$1" "$bytes"
    sed 's/^/    /' "$work/summary"
}
filter_all() {
    start=$(date +%s.%N)
    (cd "$docs" && find . -type f -print0 | sort -z | xargs -0 "$tool" $jobs > /dev/null) || true
    end=$(date +%s.%N)
    python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); n=int(sys.argv[3]); \
print('%-22s %7.2f s  %8.0f files/s  %6.1f MB/s' % ('filter only', s, n / s, int(sys.argv[4]) / s / 1e6))" \
        "$start" "$end" "$count" "$bytes"
}
filter_all
run "first index"
run "unchanged re-index"
echo "index: $(du -b "$db" | cut -f1) bytes"
