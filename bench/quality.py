#!/usr/bin/env python3
"""Word recall and junk of the tool's complete and exact readers against
LibreOffice's own text of the same RTF documents.

    bench/quality.py [--corpus DIR ...] [--samples DIR] [--tool PATH]
                     [--cache DIR] [--worst N] [--details N] [--jobs N]

Documents: every RTF under the samples folder (default ../shared/samples
beside the repository, when present) and in each corpus folder (default
build/quality_corpus, written by make_quality_corpus.py when missing).

Reference: LibreOffice's view of each document, the words of its text
export together with those of its HTML export's body, which has what the
text export leaves out (headers, footers, footnote bodies), so that a
reader is neither rewarded nor counted as adding junk for them. Both are
cached by content hash (libreoffice_text.py). The figures against the
text export alone, as first measured, are printed as well.

Words, recall and junk as in quality_words.py: distinct words of two or
more letters (Unicode L*, marks kept with their letter), case-folded;
character bigrams of letters for Han, Kana, Thai and the other scripts
written without spaces. The readers' [PICTURE], [OBJECT] and link-target
notes are not counted.

Prints one table per group (samples, each corpus) sorted by the complete
reader's recall, worst first, then per group: the mean recall and junk of
both readers, the number of documents below 0.95 and the documents where
the complete reader's recall is below the exact one's. For a corpus that
make_quality_corpus.py wrote, the same figures against what it wrote each
document to show (its shown/ folder), for both readers and for
LibreOffice itself: where LibreOffice and the corpus disagree, LibreOffice
is the one at fault. Exits 0.
"""
import argparse
import json
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import libreoffice_text  # noqa: E402
import quality_words  # noqa: E402

REPOSITORY = HERE.parent
THRESHOLD = 0.95
READERS = ("complete", "exact")


def reader_texts(tool, reader, paths, jobs):
    """{path: text} of one reader, the whole set in one run of the tool."""
    texts = {}
    if not paths:
        return texts
    command = [str(tool), "--jsonl", "--" + reader, "--jobs", str(jobs), "--"] + [str(p) for p in paths]
    output = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    for line in output.decode("utf-8", "replace").splitlines():
        row = json.loads(line)
        texts[row["path"]] = row.get("text", "")
    return texts


def measure(path, reference, reference_txt, outputs):
    row = {"path": path, "reference": len(reference)}
    targets = quality_words.hyperlink_targets(Path(path).read_bytes())
    for reader in READERS:
        text = quality_words.without_reader_notes(outputs[reader].get(str(path), ""), targets)
        found = quality_words.words(text)
        row[reader] = quality_words.recall_and_junk(reference, found)
        row[reader + "_txt"] = quality_words.recall_and_junk(reference_txt, found)
        row[reader + "_missing"] = sorted(reference - found)
        row[reader + "_junk"] = sorted(found - reference)
    return row


def print_details(rows, count, root):
    """The complete reader's missing and added words on the documents with
    the lowest recall and on those with the most junk."""
    measured = [r for r in rows if r["complete"][0] is not None]
    worst = sorted(measured, key=lambda r: r["complete"][0])[:count]
    junkiest = sorted(measured, key=lambda r: -r["complete"][1])[:count]
    print("-- details (complete reader): lowest recall, then most junk")
    shown = set()
    for r in worst + junkiest:
        if r["path"] in shown or (not r["complete_missing"] and not r["complete_junk"]):
            continue
        shown.add(r["path"])
        print("   %s  recall %.3f junk %.3f" % (r["path"], r["complete"][0], r["complete"][1]))
        print("      missing: %s" % " ".join(r["complete_missing"][:25]))
        print("      added:   %s" % " ".join(r["complete_junk"][:25]))


def measure_against_shown(row, shown_text, reference, outputs):
    """Adds to row the readers' and LibreOffice's figures against what the
    corpus wrote the document to show."""
    truth = quality_words.words(shown_text)
    targets = quality_words.hyperlink_targets(Path(row["path"]).read_bytes())
    for reader in READERS:
        found = quality_words.words(quality_words.without_reader_notes(outputs[reader].get(str(row["path"]), ""),
                                                                       targets))
        row[reader + "_shown"] = quality_words.recall_and_junk(truth, found)
        row[reader + "_shown_missing"] = sorted(truth - found)
        row[reader + "_shown_junk"] = sorted(found - truth)
    row["libreoffice_shown"] = quality_words.recall_and_junk(truth, reference)


def print_shown_summary(rows, details):
    rows = [r for r in rows if "complete_shown" in r and r["complete_shown"][0] is not None]
    if not rows:
        return
    print("-- against what the corpus wrote the documents to show (%d documents):" % len(rows))
    for who in READERS + ("libreoffice",):
        key = who + "_shown"
        below = sum(1 for r in rows if r[key][0] < THRESHOLD)
        print("   %-11s mean recall %.4f  mean junk %.4f  below %.2f: %d"
              % (who, mean(r[key][0] for r in rows), mean(r[key][1] for r in rows), THRESHOLD, below))
    if details:
        worst = sorted(rows, key=lambda r: (r["complete_shown"][0], -r["complete_shown"][1]))[:details]
        junkiest = sorted(rows, key=lambda r: -r["complete_shown"][1])[:details]
        shown = set()
        for r in worst + junkiest:
            if r["path"] in shown or (not r["complete_shown_missing"] and not r["complete_shown_junk"]):
                continue
            shown.add(r["path"])
            print("   %s  recall %.3f junk %.3f" % (r["path"], r["complete_shown"][0], r["complete_shown"][1]))
            print("      missing: %s" % " ".join(r["complete_shown_missing"][:25]))
            print("      added:   %s" % " ".join(r["complete_shown_junk"][:25]))


def mean(values):
    values = [v for v in values if v is not None]
    return sum(values) / len(values) if values else float("nan")


def print_group(name, rows, root, worst, details):
    measured = [r for r in rows if r["complete"][0] is not None]
    unmeasured = [r for r in rows if r["complete"][0] is None]
    measured.sort(key=lambda r: (r["complete"][0], -r["complete"][1]))
    print("\n== %s: %d documents (%d without LibreOffice words)" % (name, len(rows), len(unmeasured)))
    print("%-60s %6s  %7s %6s  %7s %6s" % ("document", "words", "c.rec", "c.junk", "x.rec", "x.junk"))
    for r in measured[:worst] if worst else measured:
        label = str(Path(r["path"]).relative_to(root)) if Path(r["path"]).is_relative_to(root) else str(r["path"])
        print("%-60s %6d  %7.3f %6.3f  %7.3f %6.3f" % (label[-60:], r["reference"], r["complete"][0],
                                                       r["complete"][1], r["exact"][0], r["exact"][1]))
    for r in unmeasured:
        print("%-60s  (LibreOffice gives no words)" % str(r["path"])[-60:])
    for suffix, what in (("", "LibreOffice text + HTML body"), ("_txt", "LibreOffice text export alone")):
        print("-- against %s:" % what)
        for reader in READERS:
            key = reader + suffix
            rows_measured = [r for r in rows if r[key][0] is not None]
            below = sum(1 for r in rows_measured if r[key][0] < THRESHOLD)
            print("   %-8s mean recall %.4f  mean junk %.4f  below %.2f: %d of %d"
                  % (reader, mean(r[key][0] for r in rows_measured), mean(r[key][1] for r in rows_measured),
                     THRESHOLD, below, len(rows_measured)))
    regressions = [r for r in measured if r["complete"][0] < r["exact"][0] - 1e-9]
    print("-- complete recall below exact: %d" % len(regressions))
    for r in regressions:
        print("   %s  complete %.3f < exact %.3f" % (r["path"], r["complete"][0], r["exact"][0]))
    if details:
        print_details(rows, details, root)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--corpus", action="append", default=[])
    parser.add_argument("--samples", default=str(REPOSITORY.parent / "shared" / "samples"))
    parser.add_argument("--tool", default=str(REPOSITORY / "build" / "native" / "idxfilter"))
    parser.add_argument("--cache", default=str(REPOSITORY / "build" / "quality_cache"))
    parser.add_argument("--worst", type=int, default=0, help="rows per table (0: all)")
    parser.add_argument("--details", type=int, default=0,
                        help="missing and added words of the N worst documents by recall and by junk")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()
    started = time.perf_counter()

    groups = []
    samples = Path(args.samples)
    if samples.is_dir():
        groups.append(("samples " + str(samples), samples, sorted(samples.rglob("*.rtf"))))
    corpora = [Path(c) for c in args.corpus] or [REPOSITORY / "build" / "quality_corpus"]
    for corpus in corpora:
        if not any(corpus.glob("*.rtf")):
            import make_quality_corpus
            print("writing the corpus in %s" % corpus, flush=True)
            make_quality_corpus.make_corpus(corpus, samples)
        groups.append(("corpus " + str(corpus), corpus, sorted(corpus.glob("*.rtf"))))

    paths = [p for _, _, group in groups for p in group]
    keys = libreoffice_text.fill_cache(paths, args.cache)
    outputs = {reader: reader_texts(args.tool, reader, paths, args.jobs) for reader in READERS}
    for name, root, group in groups:
        rows = []
        for path in group:
            txt, html = libreoffice_text.cached_texts(args.cache, keys[path])
            reference_txt = quality_words.words(txt or "")
            reference = reference_txt | quality_words.words(html or "")
            row = measure(path, reference, reference_txt, outputs)
            shown = root / "shown" / (path.stem + ".txt")
            if shown.exists():
                measure_against_shown(row, shown.read_text("utf-8"), reference, outputs)
            rows.append(row)
        print_group(name, rows, root, args.worst, args.details)
        print_shown_summary(rows, args.details)
    print("\n%d documents in %.1f s" % (len(paths), time.perf_counter() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
