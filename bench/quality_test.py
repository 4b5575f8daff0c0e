#!/usr/bin/env python3
"""Tests of the quality measure and of the corpus generator's own pieces
(no writer is run): words and bigrams, the readers' notes, LibreOffice's
HTML body text, the canonical form of writers' RTF, and the hand-written
PNG and RTF.

    bench/quality_test.py
"""
import struct
import sys
import unittest
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus_canonical as canonical  # noqa: E402
import corpus_formats as formats  # noqa: E402
import libreoffice_text  # noqa: E402
import make_quality_corpus  # noqa: E402
import quality  # noqa: E402
import quality_words as qw  # noqa: E402


class WordsTest(unittest.TestCase):
    def test_words_by_script(self):
        cases = [
            ("Straße und München", {"strasse", "und", "münchen"}),  # case-folded: ß folds to ss
            ("a I x9 ok", {"ok"}),                                   # one letter is no word, digits cut
            ("Привет, МИР!", {"привет", "мир"}),
            ("Καλημέρα ΚΌΣΜΕ", {"καλημέρα", "κόσμε"}),
            ("שלום עולם", {"שלום", "עולם"}),
            ("مرحبا بالعالم", {"مرحبا", "بالعالم"}),
            ("안녕하세요 세계", {"안녕하세요", "세계"}),               # Hangul is written with spaces
            ("日本語", {"日本", "本語"}),                              # bigrams where there are no spaces
            ("東京abc", {"東京", "abc"}),                              # a run cut where the script kind changes
            ("中", set()),
            ("co-op", {"co", "op"}),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(qw.words(text), expected)

    def test_marks_stay_with_their_letter(self):
        # Decomposed and composed forms are one word; a Thai vowel mark
        # neither cuts a run nor counts as a unit of its own.
        self.assertEqual(qw.words("Cafe\u0301"), qw.words("Café"))
        self.assertEqual(qw.words("ก\u0e34น"), {"ก\u0e34น"})
        self.assertEqual(qw.words("नमस्ते दुनिया"), {"नमस्ते", "दुनिया"})

    def test_reader_notes_are_not_words(self):
        # As the readers write them: the note between blanks of its own, the
        # document's blanks around it kept.
        targets = {"/url", "#_Toc123", "C:\\Docs\\report.doc", "file:///home/my docs/a.txt", "https://man.cx/groff_man(7)"}
        cases = [
            ("before  [PICTURE]  after", {"before", "after"}),
            ("xx  [OBJECT]  yy", {"xx", "yy"}),
            ("pic [PICTURE] ture", {"picture"}),                   # a picture inside a word
            ("an image:\n [PICTURE]", {"an", "image"}),           # trailing blank trimmed at the end
            (" [PICTURE]\nnext", {"next"}),
            ("see link (http://example.org/path)  now", {"see", "link", "now"}),
            ("mail me (mailto:someone@example.org) \nsoon", {"mail", "me", "soon"}),
            ("at the end (mailto:a@b.org)\nnext", {"at", "the", "end", "next"}),
            ("jump (#_Toc123)  here", {"jump", "here"}),
            ("file (C:\\Docs\\report.doc)  there", {"file", "there"}),
            ("open (file:///home/my docs/a.txt)  it", {"open", "it"}),
            ("roff man (https://man.cx/groff_man(7)) )", {"roff", "man"}),
            ("(unextended Markdown (https://df.net/md/) )", {"unextended", "markdown"}),
            ("BBCode (xenForo) (https://xf.com/help/) \nnext", {"bbcode", "xenforo", "next"}),
            ("two (http://a.org/) (http://b.org/)  links", {"two", "links"}),
            # A word glued to the link's text in the document meets it again.
            ("embedded link (/url) Level 2", {"embedded", "linklevel"}),
            # Parenthesised text of the document itself stays.
            ("the (new) model (see below) is", {"the", "new", "model", "see", "below", "is"}),
            ("a slash (/) between", {"slash", "between"}),
            ("as (@good) shows", {"as", "good", "shows"}),
            ("Lourakis (lourakis@csd.gr) has", {"lourakis", "csd", "gr", "has"}),
            ("a file (report.doc) here", {"file", "report", "doc", "here"}),
            ("a note (see: above) here", {"note", "see", "above", "here"}),
            ("ATX-style (#-prefixed) or", {"atx", "style", "prefixed", "or"}),
            ("[PICTURE]s are text here", {"picture", "are", "text", "here"}),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(qw.words(qw.without_reader_notes(text, targets)), expected)

    def test_hyperlink_targets_of_every_spelling(self):
        rtf = (b'{\\field{\\*\\fldinst HYPERLINK "http://x.org/a b" }{\\fldrslt x}}'
               b'{\\field{\\*\\fldinst{\\cf1 HYPERLINK \\\\l "_Toc1" \\\\o "tip"}}{\\fldrslt y}}'
               b'{\\field{\\*\\fldinst{ HYPERLINK /url }{{}}}{\\fldrslt z}}'
               b'{\\field{\\*\\fldinst HYPERLINK "/script?foo=1\\\\&bar=2" }{\\fldrslt v}}'
               b'{\\field{\\*\\fldinst HYPERLINK "C:\\\\\\\\dir\\\\\\\\f.doc"}{\\fldrslt w}}')
        targets = qw.hyperlink_targets(rtf)
        for target in ("http://x.org/a b", "_Toc1", "#_Toc1", "tip", "/url", "C:\\\\dir\\\\f.doc", "C:\\dir\\f.doc",
                       "/script?foo=1&bar=2"):
            with self.subTest(target=target):
                self.assertIn(target, targets)

    def test_recall_and_junk(self):
        reference = {"alpha", "beta", "gamma", "delta"}
        self.assertEqual(qw.recall_and_junk(reference, {"alpha", "beta", "zeta"}), (0.5, 1 / 3))
        self.assertEqual(qw.recall_and_junk(reference, set()), (0.0, 0.0))
        self.assertEqual(qw.recall_and_junk(set(), {"alpha"}), (None, 1.0))


class LibreOfficeHtmlTest(unittest.TestCase):
    def test_body_text_keeps_headers_and_footnotes_and_drops_the_head(self):
        html = ('<html><head><title>Secret title</title><style>p{x}</style></head><body>'
                '<div title="header"><p>Head&nbsp;line</p></div><p>Body<sup>1</sup> text</p>'
                '<!-- a comment --><div id="sdfootnote1"><p>Note&amp;body</p></div>'
                '<table><tr><td>cell</td><td>two</td></tr></table></body></html>')
        words = qw.words(libreoffice_text.html_body_text(html))
        self.assertEqual(words, {"head", "line", "body", "text", "note", "cell", "two"})

    def test_cells_and_blocks_do_not_glue_words(self):
        text = libreoffice_text.html_body_text("<p>one</p><p>two</p><table><tr><td>a1b</td><td>cd</td></tr></table>")
        self.assertEqual(qw.words(text), {"one", "two", "cd"})


class CanonicalTest(unittest.TestCase):
    def test_font_table_sorted_and_references_renumbered(self):
        run_a = (b"{\\rtf1\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Arial{\\*\\falt Helv};}"
                 b"{\\f2\\fnil Sym;}}\\stshfloch1 \\pard\\f1\\fs24 a\\af2 b\\f0 c \\\\f1 text\\par}")
        run_b = (b"{\\rtf1\\deff2{\\fonttbl{\\f0\\fnil Sym;}{\\f1\\fswiss Arial{\\*\\falt Helv};}"
                 b"{\\f2\\froman Times;}}\\stshfloch1 \\pard\\f1\\fs24 a\\af0 b\\f2 c \\\\f1 text\\par}")
        self.assertEqual(canonical.canonical_font_numbers(run_a), canonical.canonical_font_numbers(run_b))
        fixed = canonical.canonical_font_numbers(run_a)
        # Sorted by text: "\fnil Sym" < "\froman Times" < "\fswiss Arial".
        self.assertIn(b"{\\f0\\fnil Sym;}{\\f1\\froman Times;}{\\f2\\fswiss Arial{\\*\\falt Helv};}", fixed)
        self.assertIn(b"\\deff1", fixed)
        self.assertIn(b"\\stshfloch2 \\pard\\f2\\fs24 a\\af0 b\\f1 c \\\\f1 text", fixed)

    def test_documents_it_cannot_read_are_left_alone(self):
        for data in (b"{\\rtf1 no table}", b"{\\rtf1{\\fonttbl{\\f0 A;}", b"{\\rtf1{\\fonttbl{\\f0 A;}{\\f0 B;}}x}",
                     b"{\\rtf1{\\fonttbl{\\fnil A;}}x}"):
            with self.subTest(data=data):
                self.assertEqual(canonical.canonical_font_numbers(data), data)

    def test_clock_values_and_addresses_fixed(self):
        data = (b"{\\info{\\creatim\\yr2026\\mo12\\dy9\\hr12\\min40}{\\revtim\\yr2026\\mo12\\dy9}{\\title T}}"
                b"\\*\\abitableprops table-sdh:0x5596ecfbb580}")
        fixed = canonical.fixed_addresses(canonical.fixed_clock_values(data))
        self.assertEqual(fixed, b"{\\info{\\creatim\\yr2024\\mo1\\dy2\\hr3\\min4}{\\revtim\\yr2024\\mo1\\dy2\\hr3\\min4}"
                                b"{\\title T}}\\*\\abitableprops table-sdh:0x0}")


class CorpusFormatsTest(unittest.TestCase):
    def test_png_chunks_and_pixels(self):
        png = formats.png_bytes(3, 2, (10, 20, 30))
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        chunks, pos = [], 8
        while pos < len(png):
            length, = struct.unpack(">I", png[pos:pos + 4])
            kind, data = png[pos + 4:pos + 8], png[pos + 8:pos + 8 + length]
            crc, = struct.unpack(">I", png[pos + 8 + length:pos + 12 + length])
            self.assertEqual(crc, zlib.crc32(kind + data) & 0xFFFFFFFF, kind)
            chunks.append((kind, data))
            pos += 12 + length
        self.assertEqual([k for k, _ in chunks], [b"IHDR", b"IDAT", b"IEND"])
        self.assertEqual(struct.unpack(">II", chunks[0][1][:8]), (3, 2))
        rows = zlib.decompress(chunks[1][1])
        self.assertEqual(rows, b"\x00" + b"\x00\x00\x00" + b"\x0a\x14\x1e" * 2
                         + b"\x00" + b"\x0a\x14\x1e" + b"\x00\x00\x00" + b"\x0a\x14\x1e")

    def test_rtf_text_escapes(self):
        cases = [("a{b}\\c", "a\\{b\\}\\\\c"), ("é", "\\u233?"), ("Я", "\\u1071?"), ("\uffe0", "\\u-32?"),
                 ("😀", "\\u-10179?\\u-8704?"), ("x\ty\nz", "x\\tab y\\par\nz")]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(formats.rtf_text(text), expected)

    def test_binary_picture_rtf_has_exact_byte_counts_and_balanced_groups(self):
        doc = formats.Document("t", "T", "A", "S", "k", "H", "F", [("para", "x"), ("picture", "caption")])
        picture = formats.png_bytes(2, 2, (1, 2, 3))
        tail = b"}}{\\\x00"
        rtf = formats.rtf_with_binary_pictures(doc, picture, tail, twin=True)
        marker = b"\\bin%d " % (len(tail) + len(picture))
        start = rtf.index(marker) + len(marker)
        self.assertEqual(rtf[start:start + len(tail) + len(picture)], picture + tail)
        # Outside the two \bin payloads the braces balance.
        rest = rtf[:start] + rtf[start + len(tail) + len(picture):]
        tiny = rest.index(b"\\bin3 ") + len(b"\\bin3 ")
        rest = rest[:tiny] + rest[tiny + 3:]
        self.assertEqual(rest.count(b"{") - rest.count(b"\\{"), rest.count(b"}") - rest.count(b"\\}"))

    def test_odt_is_a_valid_package(self):
        import io
        import zipfile
        from xml.dom import minidom
        doc = formats.Document("t", "T & co", "A", "S", "k", "H<", "F", [
            ("heading", "h"), ("link", "a", "b", "http://x.org/?a=1&b=2", "c"), ("note", "d", "e", "f"),
            ("table", [["1", "2"], ["3", "4"]]), ("bullets", ["x"]), ("numbers", ["y"]), ("picture", "p")])
        archive = zipfile.ZipFile(io.BytesIO(formats.odt_document(doc, b"PNG")))
        self.assertEqual(archive.namelist()[0], "mimetype")
        self.assertEqual(archive.getinfo("mimetype").compress_type, zipfile.ZIP_STORED)
        for name in ("content.xml", "styles.xml", "meta.xml", "META-INF/manifest.xml"):
            minidom.parseString(archive.read(name))
        for xml in (formats.abw_document(doc, b"PNG"),):
            minidom.parseString(xml)


class LibreOfficeBatchTest(unittest.TestCase):
    """The batching around LibreOffice, with a stand-in that converts its
    arguments in order, skips the ones it cannot load and stops at one
    that crashes it, as soffice does."""

    def run_with(self, names, unloadable, crashing):
        import tempfile
        calls = []
        with tempfile.TemporaryDirectory() as folder:
            out = Path(folder)

            def fake_soffice(batch, kind, outdir, profile, timeout):
                calls.append([p.stem for p in batch])
                for path in batch:
                    if path.stem in crashing:
                        return
                    if path.stem not in unloadable:
                        (outdir / (path.stem + "." + kind)).write_text("x")
            original = libreoffice_text._run_soffice
            libreoffice_text._run_soffice = fake_soffice
            try:
                libreoffice_text._convert_all([out / (n + ".rtf") for n in names], "txt", out, None, 1)
            finally:
                libreoffice_text._run_soffice = original
            converted = sorted(p.stem for p in out.glob("*.txt"))
        return converted, calls

    def test_documents_after_a_crash_are_tried_again(self):
        names = ["d%02d" % i for i in range(8)]
        converted, calls = self.run_with(names, unloadable={"d01", "d07"}, crashing={"d03"})
        self.assertEqual(converted, ["d00", "d02", "d04", "d05", "d06"])
        # d03 crashes twice (after d02, then at once) and is given up; d07
        # at the end cannot be loaded and is given up after one retry.
        self.assertEqual(calls, [names, names[3:], names[4:], ["d07"]])

    def test_batches_of_a_hundred(self):
        names = ["d%03d" % i for i in range(230)]
        converted, calls = self.run_with(names, unloadable=set(), crashing=set())
        self.assertEqual(len(converted), 230)
        self.assertEqual([len(c) for c in calls], [100, 100, 30])


class CorpusDocumentTest(unittest.TestCase):
    def test_each_part_has_words_of_its_own_in_a_long_text(self):
        paragraphs = ["paragraph%s %s" % (chr(97 + i // 26) + chr(97 + i % 26), " ".join(
            "w%s%s%s" % (chr(97 + i // 26), chr(97 + i % 26), chr(97 + j)) for j in range(11))) for i in range(60)]
        doc = make_quality_corpus.build_document("long", paragraphs)
        kinds = [b[0] for b in doc.blocks]
        for kind in ("heading", "link", "note", "table", "bullets", "numbers", "picture", "para"):
            self.assertIn(kind, kinds)
        body = " ".join(b[1] for b in doc.blocks if b[0] == "para")
        parts = [doc.header, doc.footer] + [c for b in doc.blocks if b[0] == "table" for row in b[1] for c in row] \
            + [i for b in doc.blocks if b[0] in ("bullets", "numbers") for i in b[1]]
        for part in parts:
            with self.subTest(part=part):
                self.assertFalse(qw.words(part) & qw.words(body))

    def test_a_short_text_is_used_again(self):
        doc = make_quality_corpus.build_document("short", ["東京の図書館", "two words here"])
        self.assertTrue(doc.header and doc.footer)
        self.assertEqual([b[1] for b in doc.blocks if b[0] == "para"], ["東京の図書館", "two words here"])

    def test_pieces_by_words_or_by_characters(self):
        self.assertEqual(make_quality_corpus.chunks_of("a b c d e f g h i j"), ["a b c d e f g h", "i j"])
        self.assertEqual(make_quality_corpus.chunks_of("字" * 30), ["字" * 24, "字" * 6])

    def test_markdown_markup_characters_are_escaped(self):
        doc = formats.Document("m", "T", "A", "S", "k", "H", "F", [("para", "a*b_c [x](y) #h <t> 2^3 a|b")])
        text = formats.markdown_document(doc, "p.png").decode("utf-8")
        self.assertIn("a\\*b\\_c \\[x\\](y) \\#h \\<t\\> 2\\^3 a\\|b", text)
        for caption_like, written in (("Table: x", "&#84;able: x"), (": y", "&#58; y")):
            doc.blocks = [("para", caption_like)]
            self.assertIn("\n" + written + "\n", formats.markdown_document(doc, "p.png").decode("utf-8"))


class SummaryTest(unittest.TestCase):
    def test_figures_of_a_group(self):
        import contextlib
        import io
        root = Path("/docs")
        reference = {"alpha", "beta", "gamma", "delta"}
        outputs = {"complete": {"/docs/a.rtf": "alpha beta gamma delta", "/docs/b.rtf": "alpha beta zeta"},
                   "exact": {"/docs/a.rtf": "alpha beta", "/docs/b.rtf": "alpha beta gamma"}}
        rows = []
        for name in ("a.rtf", "b.rtf"):
            path = root / name
            original = Path.read_bytes
            Path.read_bytes = lambda self: b"{\\rtf1 no links}"
            try:
                rows.append(quality.measure(path, reference, reference, outputs))
            finally:
                Path.read_bytes = original
        rows.append({"path": root / "c.rtf", "reference": 0, **{k: (None, 0.0) for k in
                     ("complete", "exact", "complete_txt", "exact_txt")}})
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            quality.print_group("g", rows, root, 0, 0)
        out = printed.getvalue()
        self.assertIn("3 documents (1 without LibreOffice words)", out)
        self.assertIn("complete mean recall 0.7500  mean junk 0.1667  below 0.95: 1 of 2", out)
        self.assertIn("exact    mean recall 0.6250  mean junk 0.0000  below 0.95: 2 of 2", out)
        self.assertIn("complete recall below exact: 1", out)
        self.assertIn("/docs/b.rtf  complete 0.500 < exact 0.750", out)
        # Worst first.
        self.assertLess(out.index("b.rtf "), out.index("a.rtf "))


if __name__ == "__main__":
    unittest.main()
