#!/usr/bin/env python3
"""End-to-end tests of `idxfilter search`: typed queries, output forms,
bounds, hostile queries, and that a search never changes the index.

Usage: search_test.py TOOL
"""
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

TOOL = None

DOCUMENTS = {
    b"mail.txt": "Please send an e-mail to the office about the 12.5 percent rise.",
    b"code.txt": "Don't panic: the C++ guide lives at http://x.org today.",
    b"odd\tname\n\x1b[31m.txt": "Gooseberry jam in a strangely named file.",
    b"bad\xff.txt": "Gooseberry pie with a name that is not UTF-8.",
    b"plain.txt": "Mail and e vowels apart, plus harbour views.",
}


def chunks(query, size=60000):
    """The query as arguments of at most about `size` bytes, cut at blanks
    (the tool joins its arguments with a blank)."""
    parts, start = [], 0
    while len(query) - start > size:
        cut = query.rfind(" ", start, start + size)
        cut = cut if cut > start else start + size
        parts.append(query[start:cut])
        start = cut + 1
    parts.append(query[start:])
    return parts


def run(args, **kwargs):
    return subprocess.run([TOOL] + args, capture_output=True, timeout=120, **kwargs)


class Search(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="idxfilter-search-")
        cls.work = os.fsencode(cls.tmp.name)
        cls.docs = os.path.join(cls.work, b"docs")
        os.mkdir(cls.docs)
        for name, text in DOCUMENTS.items():
            with open(os.path.join(cls.docs, name), "w", encoding="utf-8") as f:
                f.write(text)
        cls.db = os.path.join(cls.work, b"i.db")
        assert run(["index", "--db", cls.db, cls.docs]).returncode == 0

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def search(self, *args):
        return run(["search", "--db", self.db, "--limit", "100"] + list(args))

    def names(self, result):
        return sorted(os.path.basename(json.loads(line)["path"]).encode("utf-8", "surrogateescape")
                      for line in result.stdout.decode("utf-8").splitlines())

    def test_punctuated_words_are_words(self):
        for query, expected in [("e-mail", [b"mail.txt"]), ("12.5", [b"mail.txt"]),
                                ("don't", [b"code.txt"]), ("C++", [b"code.txt"]),
                                ("http://x.org", [b"code.txt"]),
                                ("harbour OR panic", [b"code.txt", b"plain.txt"]),
                                ('"the office"', [b"mail.txt"]), ("gooseb*", None)]:
            with self.subTest(query=query):
                result = self.search("--json", "--", query)
                self.assertEqual(result.returncode, 0, result.stderr)
                if expected is not None:
                    self.assertEqual(self.names(result), expected)

    def test_json_lines_carry_path_title_score_snippet(self):
        result = self.search("--json", "gooseberry")
        lines = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()]
        self.assertEqual(len(lines), 2)
        for line in lines:
            self.assertEqual(set(line) - {"path_base64"}, {"path", "title", "score", "snippet"})
            self.assertIsNone(line["title"])
            self.assertIsInstance(line["score"], float)
            self.assertIn("[Gooseberry]", line["snippet"])
        exact = sorted(__import__("base64").b64decode(l["path_base64"]) for l in lines if "path_base64" in l)
        self.assertEqual(exact, [os.path.join(self.docs, b"bad\xff.txt")])

    def test_plain_output_escapes_paths_and_nul_output_gives_them_exactly(self):
        plain = self.search("gooseberry").stdout
        self.assertEqual(plain.count(b"\n"), 2)
        self.assertNotIn(b"\x1b", plain)
        self.assertIn(b"odd\\tname\\n\\x1b[31m.txt\t", plain)
        exact = self.search("-0", "gooseberry").stdout.split(b"\0")
        self.assertEqual(sorted(exact[:-1]), sorted(os.path.join(self.docs, n) for n in
                                                    [b"odd\tname\n\x1b[31m.txt", b"bad\xff.txt"]))

    def test_fts_passes_syntax_through(self):
        self.assertEqual(self.search("--fts", "NEAR(gooseberry jam, 3)").returncode, 0)
        result = self.search("--fts", "e-mail")  # FTS5 reads a column filter here
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"the query was refused", result.stderr)

    def test_bad_queries_are_one_line_and_change_nothing(self):
        with open(self.db, "rb") as f:
            before = hashlib.sha256(f.read()).hexdigest()
        many_and = " AND ".join("w%d" % i for i in range(100000))
        many_or = " OR ".join("w%d" % i for i in range(30000))
        for query, status in [("", 2), ("...", 2), ("-- ++", 2), ('"unbalanced', 1),
                              ("'; DROP TABLE files; --", 1), ("\x01\x02 gooseberry \x1b", 0),
                              (" ".join(["x" * 100000] * 10), 2), (many_and, 2), (many_or, 2),
                              ("((((gooseberry", 0), ("NOT", 0)]:  # "not UTF-8"
            with self.subTest(query=query[:40]):
                start = time.monotonic()
                # One argument holds at most 128 KiB: long queries come as many.
                result = self.search("--", *chunks(query))
                self.assertLess(time.monotonic() - start, 5)
                self.assertEqual(result.returncode, status, result.stderr)
                if status == 2:
                    self.assertLessEqual(result.stderr.count(b"\n"), 2, result.stderr)
        with open(self.db, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest(), before)

    def test_missing_index_and_full_output(self):
        result = run(["search", "--db", os.path.join(self.work, b"none.db"), "x"])
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"no index at", result.stderr)
        with open("/dev/full", "wb") as full:
            result = subprocess.run([TOOL, "search", "--db", self.db, "gooseberry"], stdout=full,
                                    stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(result.returncode, 3)

    def test_the_default_index_comes_from_the_environment(self):
        env = dict(os.environ, IDXFILTER_DB=os.fsdecode(self.db))
        self.assertEqual(run(["search", "gooseberry"], env=env).returncode, 0)
        env = {k: v for k, v in os.environ.items() if k != "IDXFILTER_DB"}
        env["XDG_DATA_HOME"] = os.fsdecode(self.work)
        os.makedirs(os.path.join(self.work, b"idxfilter"), exist_ok=True)
        os.link(self.db, os.path.join(self.work, b"idxfilter", b"index.db"))
        self.assertEqual(run(["search", "gooseberry"], env=env, cwd="/").returncode, 0)


if __name__ == "__main__":
    TOOL = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
