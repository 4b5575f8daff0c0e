#!/usr/bin/env python3
"""Writes the quality corpus: RTF documents written by LibreOffice, AbiWord
and pandoc from texts in many scripts, plus RTF written by hand with
pictures as raw \\binN data.

    make_quality_corpus.py OUTDIR [--samples DIR]

Texts: the plain-text samples, LibreOffice's text of some RTF samples (from
DIR, default ../shared/samples beside the repository), and passages written
for this corpus (corpus_texts.py). Each text becomes one document with a
title, author, subject and keywords, a header, a footer with a page-number
field, a hyperlink, a footnote, a table, a bulleted and a numbered list and
a picture (a PNG written by hand), and is given to each writer as:

    lo_odt_*     OpenDocument text  -> soffice --convert-to rtf
    lo_html_*    HTML               -> soffice --convert-to rtf
    lo_txt_*     UTF-8 plain text   -> soffice --convert-to rtf
    abw_*        AbiWord XML        -> abiword --to=rtf
    abi_html_*   HTML               -> abiword --to=rtf
    pandoc_*     Markdown           -> pandoc -s -t rtf
    bin_*        RTF by hand, pictures as {\\pict\\pngblip\\binN <bytes>}

The RTF files go to OUTDIR, the writers' inputs to OUTDIR/inputs, what
each document shows to OUTDIR/shown (corpus_shown.py). The
output is the same on every run: inputs carry fixed dates, and what a
writer varies from run to run without changing what the document shows
(LibreOffice's clock dates and font-table order, an address AbiWord
writes) is made canonical afterwards (corpus_canonical.py).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import corpus_canonical as canonical  # noqa: E402
import corpus_formats as formats  # noqa: E402
import corpus_shown  # noqa: E402
import corpus_texts as texts  # noqa: E402

DEFAULT_SAMPLES = HERE.parent.parent / "shared" / "samples"
BODY_CHARACTERS = 5000
PIECES = 22  # heading, header, footer, link, footnote, table, lists, caption
PICTURE = formats.png_bytes(24, 24, (40, 120, 200))
# Bytes after the PNG that a reader must take as picture data, not as RTF.
BINARY_TAILS = [b"", b"{}\\par\x00", b"\x00\x00}}}{\\b0 ", b"\\bin99999 \\'41\\u65?\x00{",
                   b"\r\n\x00\xff\xfe", b"}" * 8]
BINARY_SOURCES = ["fr", "ru", "el", "he", "ja", "th", "zh", "ko", "ar"]


def soffice(arguments, profile):
    """One LibreOffice call (it is slow to start), with a private profile."""
    command = ["soffice", "-env:UserInstallation=file://" + str(profile), "--headless"] + arguments
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def libreoffice_text_sources(samples_dir, work, profile):
    """LibreOffice's text of the RTF samples named in corpus_texts."""
    present = {name: Path(samples_dir) / path for name, path in texts.LIBREOFFICE_TEXT_SAMPLES.items()
               if (Path(samples_dir) / path).exists()}
    if not present:
        return {}
    staging = work / "sample_text"
    staging.mkdir(parents=True, exist_ok=True)
    for name, path in present.items():
        shutil.copyfile(path, staging / (name + ".rtf"))
    soffice(["--convert-to", "txt:Text (encoded):UTF8", "--outdir", str(staging)]
            + [str(staging / (name + ".rtf")) for name in present], profile)
    return {name: texts.paragraphs((staging / (name + ".txt")).read_text("utf-8", "replace").lstrip("\ufeff"))
            for name in present if (staging / (name + ".txt")).exists()}


def chunks_of(paragraph):
    """Pieces of about eight words (or 24 characters where the script has
    no spaces) for headings, cells, list items and the like."""
    words = paragraph.split()
    if len(words) >= 4:
        return [" ".join(words[i:i + 8]) for i in range(0, len(words), 8)]
    return [paragraph[i:i + 24] for i in range(0, len(paragraph), 24)]


def build_document(name, paragraphs):
    """A Document using the text's pieces for every part, then whole
    paragraphs up to a size bound. Where the text is long enough the body's
    paragraphs follow those the pieces came from, so that each part's
    words are its own and a reader that loses a part is seen to; a short
    text is used again."""
    pieces, consumed = [], 0
    for paragraph in paragraphs:
        if len(pieces) >= PIECES:
            break
        pieces.extend(chunks_of(paragraph))
        consumed += 1
    piece = lambda i: pieces[i % len(pieces)]  # noqa: E731
    url = "https://example.org/%s/page%d.html" % (name.replace("_", "-"), len(pieces))
    blocks = [("heading", piece(0)),
              ("link", piece(3), piece(4), url, piece(5)),
              ("note", piece(6), piece(7), piece(8)),
              ("table", [[piece(9), piece(10), piece(11)], [piece(12), piece(13), piece(14)]]),
              ("bullets", [piece(15), piece(16), piece(17)]),
              ("numbers", [piece(18), piece(19), piece(20)]),
              ("picture", piece(21))]
    body = paragraphs[consumed:] if consumed < len(paragraphs) else paragraphs
    used = 0
    for paragraph in body:
        if used > BODY_CHARACTERS:
            break
        blocks.append(("para", paragraph))
        used += len(paragraph)
    return formats.Document(name=name, title=piece(0), author="Corpus Writer", subject="Quality measurement",
                            keywords="corpus, quality, " + name, header=piece(1), footer=piece(2), blocks=blocks)


def all_documents(samples_dir, work, profile):
    sources = {}
    sources.update(texts.own_sources())
    sources.update(texts.plain_sources(samples_dir))
    sources.update(libreoffice_text_sources(samples_dir, work, profile))
    return [build_document(name, paragraphs) for name, paragraphs in sorted(sources.items()) if paragraphs]


def write_inputs(documents, inputs):
    inputs.mkdir(parents=True, exist_ok=True)
    (inputs / "picture.png").write_bytes(PICTURE)
    for doc in documents:
        (inputs / (doc.name + ".odt")).write_bytes(formats.odt_document(doc, PICTURE))
        (inputs / (doc.name + ".html")).write_bytes(formats.html_document(doc, "picture.png", lo_extras=True))
        (inputs / (doc.name + ".abi.html")).write_bytes(formats.html_document(doc, "picture.png", lo_extras=False))
        (inputs / (doc.name + ".txt")).write_bytes(formats.text_document(doc))
        (inputs / (doc.name + ".abw")).write_bytes(formats.abw_document(doc, PICTURE))
        (inputs / (doc.name + ".md")).write_bytes(formats.markdown_document(doc, "picture.png"))


def convert_with_libreoffice(documents, inputs, outdir, profile):
    """Three LibreOffice calls: OpenDocument, HTML (read as a Writer
    document, not as a web page) and UTF-8 text."""
    runs = [("lo_odt_", ".odt", []),
            ("lo_html_", ".html", ["--infilter=HTML (StarWriter)"]),
            ("lo_txt_", ".txt", ["--infilter=Text (encoded):UTF8,LF,Liberation Serif,en-US"])]
    for prefix, suffix, options in runs:
        with tempfile.TemporaryDirectory() as staging:
            soffice(options + ["--convert-to", "rtf", "--outdir", staging]
                    + [str(inputs / (doc.name + suffix)) for doc in documents], profile)
            for doc in documents:
                produced = Path(staging) / (doc.name + ".rtf")
                if produced.exists():
                    shutil.move(str(produced), str(outdir / (prefix + doc.name + ".rtf")))


def convert_with_abiword(documents, inputs, outdir):
    for prefix, suffix in (("abw_", ".abw"), ("abi_html_", ".abi.html")):
        for doc in documents:
            target = outdir / (prefix + doc.name + ".rtf")
            subprocess.run(["abiword", "--to=rtf", "--to-name=" + str(target), str(inputs / (doc.name + suffix))],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=inputs)


def convert_with_pandoc(documents, inputs, outdir):
    for doc in documents:
        subprocess.run(["pandoc", "-s", "-t", "rtf", "--resource-path", str(inputs),
                        "-o", str(outdir / ("pandoc_" + doc.name + ".rtf")), str(inputs / (doc.name + ".md"))],
                       check=True, stderr=subprocess.DEVNULL, cwd=inputs)


def write_binary_picture_documents(documents, outdir):
    by_name = {doc.name: doc for doc in documents}
    for n, name in enumerate(s for s in BINARY_SOURCES if s in by_name):
        tail = BINARY_TAILS[n % len(BINARY_TAILS)]
        (outdir / ("bin_" + name + ".rtf")).write_bytes(
            formats.rtf_with_binary_pictures(by_name[name], PICTURE, tail, twin=n % 2 == 0))


def make_canonical(outdir):
    """The writers' RTF made the same on every run (corpus_canonical.py)."""
    for path in outdir.glob("*.rtf"):
        data = path.read_bytes()
        fixed = canonical.fixed_addresses(canonical.fixed_clock_values(data))
        if path.name.startswith("lo_"):
            fixed = canonical.canonical_font_numbers(fixed)
        if fixed != data:
            path.write_bytes(fixed)


def write_shown_texts(documents, outdir):
    """What each RTF document shows (corpus_shown.py), in OUTDIR/shown."""
    shown = outdir / "shown"
    shown.mkdir(exist_ok=True)
    for doc in documents:
        for prefix in corpus_shown.SHOWS:
            if (outdir / (prefix + doc.name + ".rtf")).exists():
                (shown / (prefix + doc.name + ".txt")).write_text(corpus_shown.shown_text(doc, prefix), "utf-8")


def make_corpus(outdir, samples_dir=DEFAULT_SAMPLES):
    outdir = Path(outdir).resolve()
    outdir.mkdir(parents=True, exist_ok=True)
    inputs = outdir / "inputs"
    profile = Path(tempfile.mkdtemp(prefix="lo_profile_%d_" % os.getpid()))
    try:
        documents = all_documents(samples_dir, inputs, profile)
        write_inputs(documents, inputs)
        convert_with_libreoffice(documents, inputs, outdir, profile)
        convert_with_abiword(documents, inputs, outdir)
        convert_with_pandoc(documents, inputs, outdir)
        write_binary_picture_documents(documents, outdir)
        make_canonical(outdir)
        write_shown_texts(documents, outdir)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return sorted(outdir.glob("*.rtf"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("outdir")
    parser.add_argument("--samples", default=str(DEFAULT_SAMPLES))
    args = parser.parse_args()
    written = make_corpus(args.outdir, args.samples)
    print("%d RTF documents in %s" % (len(written), args.outdir))
    return 0


if __name__ == "__main__":
    sys.exit(main())
