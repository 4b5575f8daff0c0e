"""LibreOffice's view of a document, the reference of the quality measure:
its text export (`soffice --convert-to "txt:Text (encoded):UTF8"`), and
the body of its HTML export, which also holds what the text export leaves
out (headers, footers, footnote bodies). Both are cached by the SHA-256 of
the document's bytes, and the documents missing from the cache are
converted a hundred per LibreOffice call: it is slow to start.
"""
import hashlib
import os
import shutil
import subprocess
import tempfile
from html.parser import HTMLParser
from pathlib import Path

FORMATS = {"txt": "txt:Text (encoded):UTF8", "html": "html:HTML (StarWriter)"}
# A document LibreOffice gives nothing for is recorded so, not retried.
NOTHING = ".nothing"


def content_key(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


class _BodyText(HTMLParser):
    """Text of an HTML document's body: no <head>, scripts, styles or
    comments; a line break at every block element."""
    BLOCKS = {"p", "div", "br", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "table", "dd", "dt",
              "pre", "blockquote"}
    SKIPPED = {"head", "title", "script", "style"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.skipping = [], 0

    def handle_starttag(self, tag, attrs):
        if tag in self.SKIPPED:
            self.skipping += 1
        elif tag in self.BLOCKS:
            self.parts.append("\n")
        elif tag in ("td", "th"):
            self.parts.append("\t")

    def handle_endtag(self, tag):
        if tag in self.SKIPPED:
            self.skipping = max(0, self.skipping - 1)
        elif tag in self.BLOCKS:
            self.parts.append("\n")

    def handle_data(self, data):
        if not self.skipping:
            self.parts.append(data)


def html_body_text(html):
    parser = _BodyText()
    parser.feed(html)
    parser.close()
    return "".join(parser.parts)


BATCH = 100  # documents per LibreOffice call; long runs of it have been seen to stop halfway


def _run_soffice(staged, kind, outdir, profile, timeout):
    command = ["soffice", "-env:UserInstallation=file://" + str(profile), "--headless",
               "--convert-to", FORMATS[kind], "--outdir", str(outdir)] + [str(p) for p in staged]
    try:
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        pass  # what was converted before the hang is kept


def _convert_all(staged, kind, outdir, profile, timeout):
    """Converts the staged documents in batches. LibreOffice goes through
    its arguments in order and skips a document it cannot load, but may
    also stop (crash, hang) partway: a document missing before the last
    one converted could not be loaded; the ones after it are tried again
    in a new call, and when a call converts nothing its first document is
    given up."""
    pending = list(staged)
    while pending:
        batch, pending = pending[:BATCH], pending[BATCH:]
        _run_soffice(batch, kind, outdir, profile, timeout)
        done = [i for i, path in enumerate(batch) if (outdir / (path.stem + "." + kind)).exists()]
        retry_from = done[-1] + 1 if done else 1
        pending = batch[retry_from:] + pending


def fill_cache(paths, cache, timeout=1800):
    """Converts every document whose text or HTML is not cached yet; returns
    {path: key}."""
    cache = Path(cache)
    cache.mkdir(parents=True, exist_ok=True)
    keys = {path: content_key(path) for path in paths}
    for kind in FORMATS:
        missing = {key: path for path, key in keys.items()
                   if not (cache / (key + "." + kind)).exists() and not (cache / (key + "." + kind + NOTHING)).exists()}
        if not missing:
            continue
        staging = Path(tempfile.mkdtemp(prefix="quality_lo_"))
        profile = Path(tempfile.mkdtemp(prefix="lo_profile_%d_" % os.getpid()))
        try:
            staged = []
            for key, path in sorted(missing.items()):
                shutil.copyfile(path, staging / (key + ".rtf"))
                staged.append(staging / (key + ".rtf"))
            out = staging / "out"
            out.mkdir()
            _convert_all(staged, kind, out, profile, timeout)
            for key in missing:
                produced = out / (key + "." + kind)
                if produced.exists():
                    shutil.move(str(produced), str(cache / (key + "." + kind)))
                else:
                    (cache / (key + "." + kind + NOTHING)).touch()
        finally:
            shutil.rmtree(staging, ignore_errors=True)
            shutil.rmtree(profile, ignore_errors=True)
    return keys


def cached_texts(cache, key):
    """(text export, HTML body text) of a cached document; None for a
    format LibreOffice gave nothing in."""
    def read(kind):
        path = Path(cache) / (key + "." + kind)
        return path.read_bytes().decode("utf-8", "replace").lstrip("\ufeff") if path.exists() else None
    html = read("html")
    return read("txt"), (html_body_text(html) if html is not None else None)
