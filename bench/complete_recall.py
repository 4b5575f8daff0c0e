#!/usr/bin/env python3
"""Word recall and junk of the complete RTF reader against LibreOffice's own
text export (`soffice --headless --convert-to txt:Text`), file by file.

    bench/complete_recall.py [--reader PATH] [--exact PATH] [--cache DIR] FILE_OR_FOLDER...

Words are the distinct runs of two or more letters, case-folded. Recall is
the share of LibreOffice's words that the reader also gives; junk the share
of the reader's words that LibreOffice does not have. --reader is the
complete_read driver (default build/native/tests/complete/complete_read);
--exact, when given, is the command-line tool, run with --exact for the
exact filter's text, whose recall is shown beside. LibreOffice's texts
are kept in --cache (default build/lo-text) so that later runs are quick.
"""
import argparse
import re
import subprocess
import sys
from pathlib import Path

WORD = re.compile(r"[^\W\d_]{2,}")


def words(text):
    return {w.casefold() for w in WORD.findall(text)}


def libreoffice_text(path, cache):
    out = cache / (path.parent.name + "__" + path.stem + ".txt")
    if not out.exists():
        work = cache / "work"
        work.mkdir(parents=True, exist_ok=True)
        subprocess.run(["soffice", "--headless", "--convert-to", "txt:Text", "--outdir", str(work), str(path)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        produced = work / (path.stem + ".txt")
        if not produced.exists():
            return None
        produced.rename(out)
    return out.read_text(encoding="utf-8-sig", errors="replace")


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=300)
    return result.stdout.decode("utf-8", errors="replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--reader", default="build/native/tests/complete/complete_read")
    parser.add_argument("--exact")
    parser.add_argument("--cache", default="build/lo-text")
    parser.add_argument("inputs", nargs="+")
    args = parser.parse_args()
    cache = Path(args.cache)
    cache.mkdir(parents=True, exist_ok=True)
    files = []
    for item in args.inputs:
        p = Path(item)
        files += sorted(p.rglob("*.rtf")) if p.is_dir() else [p]

    rows = []
    for path in files:
        reference = libreoffice_text(path, cache)
        if reference is None:
            print(f"{path}: LibreOffice gave no text file", file=sys.stderr)
            continue
        expected = words(reference)
        got = words(run([args.reader, str(path)]))
        recall = len(expected & got) / len(expected) if expected else 1.0
        junk = len(got - expected) / len(got) if got else 0.0
        row = [str(path), len(expected), recall, junk]
        if args.exact:
            exact = words(run([args.exact, "--exact", str(path)]))
            row.append(len(expected & exact) / len(expected) if expected else 1.0)
        rows.append(row)

    header = "recall  junk   " + ("exact  " if args.exact else "") + "words  file"
    print(header)
    for row in sorted(rows, key=lambda r: r[2]):
        line = f"{row[2]:.3f}   {row[3]:.3f}  "
        if args.exact:
            line += f"{row[4]:.3f}  "
        print(line + f"{row[1]:5d}  {row[0]}")
    if rows:
        n = len(rows)
        mean_recall = sum(r[2] for r in rows) / n
        mean_junk = sum(r[3] for r in rows) / n
        below = sum(1 for r in rows if r[2] < 0.95)
        summary = f"{n} files: mean recall {mean_recall:.3f}, mean junk {mean_junk:.3f}, {below} below 0.95"
        if args.exact:
            summary += f"; exact mean recall {sum(r[4] for r in rows) / n:.3f}"
        print(summary)


if __name__ == "__main__":
    main()
