#!/usr/bin/env python3
"""End-to-end tests of `idxfilter index`, `idxfilter search` and `--jsonl`.

Usage: index_test.py TOOL

Builds a temporary folder of documents (RTF in several character sets,
UTF-16, UTF-8, ANSI text, files that give nothing, odd file names), indexes
it, searches it, changes it and indexes again, and feeds the tool databases
it must refuse. Paths are handled as bytes throughout: file names need not
be UTF-8.
"""
import base64
import json
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

TOOL = None
IS_ROOT = os.geteuid() == 0
# Permissions do not stop root: where the tests run as root, the checks of
# unreadable files and read-only indexes run the tool as this user.
UNPRIVILEGED_USER = 65534


def rtf_escape(text, codepage):
    """Text as RTF: ASCII as is, other characters as \\'xx in `codepage`."""
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
        else:
            out.extend("\\'%02x" % b for b in ch.encode(codepage))
    return "".join(out)


def rtf_document(paragraphs):
    """paragraphs: (font number, text); font 0 is charset 0 (code page
    1252), font 1 charset 204 (code page 1251)."""
    body = "".join(
        "\\f%d %s\\par\n" % (font, rtf_escape(text, "cp1252" if font == 0 else "cp1251"))
        for font, text in paragraphs)
    return ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
            "{\\f1\\froman\\fcharset204 Times New Roman Cyr;}}\n" + body + "}\n").encode("ascii")


# name (bytes, relative) -> content. Every text file shares "harbour".
DOCUMENTS = {
    b"latin.rtf": rtf_document([(0, "Zebrafish in the caf\u00e9 harbour"), (0, "Nougat")]),
    b"cyrillic.rtf": rtf_document([(1, "\u041f\u0440\u0438\u0432\u0435\u0442 "
                                       "\u0441\u0430\u043c\u043e\u0432\u0430\u0440"),
                                   (0, "harbour")]),
    b"mixed.rtf": rtf_document([(0, "Quokka harbour"),
                                (1, "\u0431\u0430\u043b\u0430\u043b\u0430\u0439\u043a\u0430")]),
    b"utf16.txt": b"\xff\xfe" + "Marmalade \U0001F600 xylophone \u03a9mega harbour".encode(
        "utf-16-le"),
    b"ansi.txt": "Fa\u00e7ade na\u00efve wombat \u20acuro harbour".encode("cp1252"),
    b"sub/deeper/utf8.txt": "Umbrella \u00fcber harbour \U0001D11E".encode("utf-8"),
    "sub/na\u00efve-\u00fc.txt".encode("utf-8"): b"Heliotrope harbour",
    b"sub/odd \xff\x01name.txt": b"Gooseberry harbour",
    b"empty.txt": b"",
}
GIVES_TEXT = [name for name, content in DOCUMENTS.items() if content]

# query -> names expected, in any order.
SEARCHES = [
    ("zebrafish", [b"latin.rtf"]),
    ("cafe", [b"latin.rtf"]),                     # diacritics folded
    ("\u043f\u0440\u0438\u0432\u0435\u0442", [b"cyrillic.rtf"]),  # case folded
    ("\u0441\u0430\u043c\u043e\u0432\u0430\u0440", [b"cyrillic.rtf"]),
    ("\u0431\u0430\u043b\u0430\u043b\u0430\u0439\u043a\u0430", [b"mixed.rtf"]),
    ("quokka", [b"mixed.rtf"]),
    ("xylophone", [b"utf16.txt"]),
    ("\u03c9mega", [b"utf16.txt"]),
    ("fa\u00e7ade", [b"ansi.txt"]),
    ("uro", [b"ansi.txt"]),                       # the euro sign separates words
    ("umbrella", [b"sub/deeper/utf8.txt"]),
    ("heliotrope", ["sub/na\u00efve-\u00fc.txt".encode("utf-8")]),
    ("gooseberry", [b"sub/odd \xff\x01name.txt"]),
    ("harbour", GIVES_TEXT),
    ("zebrafish OR quokka", [b"latin.rtf", b"mixed.rtf"]),
    ("harbour NOT zebrafish", [n for n in GIVES_TEXT if n != b"latin.rtf"]),
]


def unescape_path(escaped):
    """Undoes the plain search output's escapes (\\t, \\n, \\r, \\\\, \\xHH)."""
    out, i = bytearray(), 0
    while i < len(escaped):
        if escaped[i:i + 1] == b"\\":
            kind = escaped[i + 1:i + 2]
            if kind == b"x":
                out.append(int(escaped[i + 2:i + 4], 16))
                i += 4
                continue
            out += {b"t": b"\t", b"n": b"\n", b"r": b"\r", b"\\": b"\\"}[kind]
            i += 2
        else:
            out += escaped[i:i + 1]
            i += 1
    return bytes(out)


def run(args, unprivileged=False, **kwargs):
    if unprivileged and IS_ROOT:
        kwargs["user"] = UNPRIVILEGED_USER
    try:
        return subprocess.run([TOOL] + args, capture_output=True, timeout=120, **kwargs)
    except PermissionError as error:
        raise unittest.SkipTest("cannot run the tool as an unprivileged user: %s" % error)


class IndexTestCase(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="idxfilter-index-").encode()
        self.docs = os.path.join(self.work, b"docs")
        self.db = os.path.join(self.work, b"index.db")
        for name, content in DOCUMENTS.items():
            self.write(name, content)

    def tearDown(self):
        for root, dirs, _ in os.walk(self.work):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.work)

    def write(self, name, content, mtime=None):
        path = os.path.join(self.docs, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        return path

    def index(self, *extra, expect=None, unprivileged=False):
        if unprivileged:
            os.chmod(self.work, 0o777)
        result = run(["index", "--db", self.db] + list(extra) + [self.docs],
                     unprivileged=unprivileged)
        if expect is not None:
            self.assertEqual(result.returncode, expect, result.stderr)
        return result

    def search(self, query, db=None):
        """(status, {name: snippet}, stderr); names relative to docs."""
        result = run(["search", "--db", db or self.db, "--limit", "100", "--", query])
        hits = {}
        for line in result.stdout.split(b"\n")[:-1]:
            path, _, snippet = line.partition(b"\t")
            path = unescape_path(path)
            self.assertTrue(path.startswith(self.docs + b"/"), path)
            hits[os.path.relpath(path, self.docs)] = snippet.decode("utf-8")
        return result.returncode, hits, result.stderr.decode("utf-8", "replace")

    def rows(self, db=None):
        with sqlite3.connect(os.fsdecode(db or self.db)) as connection:
            return {bytes(path): (result, reason) for path, result, reason in connection.execute(
                "SELECT path, result, reason FROM files")}


class IndexAndSearch(IndexTestCase):
    def test_search_finds_exactly_the_right_files(self):
        self.index(expect=1)  # empty.txt gives nothing
        for query, expected in SEARCHES:
            with self.subTest(query=query):
                status, hits, _ = self.search(query)
                self.assertEqual(status, 0)
                self.assertEqual(sorted(hits), sorted(expected))
        status, hits, _ = self.search("kangaroo")
        self.assertEqual((status, hits), (1, {}))

    def test_snippets_mark_the_match(self):
        self.index()
        _, hits, _ = self.search("zebrafish")
        self.assertIn("[Zebrafish]", hits[b"latin.rtf"])
        _, hits, _ = self.search("\u0441\u0430\u043c\u043e\u0432\u0430\u0440")
        self.assertIn("[\u0441\u0430\u043c\u043e\u0432\u0430\u0440]", hits[b"cyrillic.rtf"])

    def test_rows_record_results_reasons_and_exact_paths(self):
        result = self.index(expect=1)
        rows = self.rows()
        self.assertEqual(sorted(rows), sorted(os.path.join(self.docs, n) for n in DOCUMENTS))
        self.assertEqual(rows[os.path.join(self.docs, b"empty.txt")], (-1, "empty"))
        self.assertEqual(rows[os.path.join(self.docs, b"utf16.txt")][0],
                         len("Marmalade \U0001F600 xylophone \u03a9mega harbour") + 1)
        self.assertIn(b"empty.txt: no text delivered (empty)", result.stderr)
        self.assertIn(b"1 gave nothing (1 empty)", result.stderr)
        self.assertNotIn(b"\r", result.stderr)  # no progress line off a terminal

    def test_reindex_updates_changed_and_removes_gone_files(self):
        self.index()
        later = time.time() + 10
        self.write(b"latin.rtf", rtf_document([(0, "Narwhal harbour")]), mtime=later)
        os.remove(os.path.join(self.docs, b"ansi.txt"))
        shutil.rmtree(os.path.join(self.docs, b"sub/deeper"))
        self.write(b"new/fresh.txt", b"Pomegranate")
        result = self.index(expect=0)  # empty.txt is unchanged: not filtered again
        self.assertIn(b"2 filtered, 6 unchanged, 2 removed", result.stderr)
        for query, expected in [("zebrafish", []), ("narwhal", [b"latin.rtf"]),
                                ("wombat", []), ("umbrella", []),
                                ("pomegranate", [b"new/fresh.txt"]),
                                ("quokka", [b"mixed.rtf"])]:
            with self.subTest(query=query):
                status, hits, _ = self.search(query)
                self.assertEqual((status, sorted(hits)), (0 if expected else 1, expected))
        result = self.index()
        self.assertIn(b"0 filtered, 8 unchanged, 0 removed", result.stderr)

    def test_a_missing_root_removes_its_rows(self):
        self.index()
        shutil.rmtree(self.docs)
        rows = self.rows()
        result = self.index(expect=2)  # kept: an unmounted disk or a typo loses nothing
        self.assertIn(b"missing", result.stderr)
        self.assertEqual(self.rows(), rows)
        self.index("--prune", expect=0)
        self.assertEqual(self.rows(), {})

    def test_the_index_in_the_indexed_folder_is_left_out(self):
        result = subprocess.run([TOOL, "index", "--db", b"idxfilter.db", b"."], cwd=self.docs, capture_output=True,
                                timeout=60)
        self.assertEqual(result.returncode, 1, result.stderr)
        db = os.path.join(self.docs, b"idxfilter.db")
        self.assertEqual(len(self.rows(db)), len(DOCUMENTS))
        result = subprocess.run([TOOL, "index", "--db", b"idxfilter.db", b"."], cwd=self.docs, capture_output=True,
                                timeout=60)
        self.assertIn(b"0 filtered", result.stderr)

    def test_links_are_not_followed_out_of_the_tree(self):
        outside = os.path.join(self.work, b"outside")
        os.makedirs(outside)
        with open(os.path.join(outside, b"secret.txt"), "wb") as f:
            f.write(b"Walrus")
        os.symlink(outside, os.path.join(self.docs, b"link-out"))
        os.symlink(os.path.join(outside, b"secret.txt"), os.path.join(self.docs, b"file-link"))
        os.symlink(b"..", os.path.join(self.docs, b"sub/loop"))
        self.index()
        self.assertEqual(self.search("walrus")[0], 1)
        self.assertEqual(len(self.rows()), len(DOCUMENTS))

    def test_files_that_cannot_be_read_are_recorded_and_do_not_stop_the_run(self):
        os.mkfifo(os.path.join(self.docs, b"a-fifo"))
        os.chmod(self.write(b"locked.txt", b"Secret"), 0)
        os.chmod(os.path.join(self.docs, b"sub/deeper"), 0)
        result = self.index(expect=2, unprivileged=True)  # the folder that cannot be listed
        rows = self.rows()
        self.assertEqual(rows[os.path.join(self.docs, b"a-fifo")], (-1, "not a regular file"))
        self.assertEqual(rows[os.path.join(self.docs, b"locked.txt")], (-1, "permission denied"))
        self.assertIn(b"cannot list the folder", result.stderr)
        self.assertEqual(self.search("quokka")[0], 0)
        # The unlisted folder's rows stay; the file is retried once readable.
        os.chmod(os.path.join(self.docs, b"sub/deeper"), 0o755)
        self.index(unprivileged=True)
        os.chmod(os.path.join(self.docs, b"sub/deeper"), 0)
        self.index(unprivileged=True)
        self.assertEqual(self.search("umbrella")[0], 0)
        os.chmod(os.path.join(self.docs, b"locked.txt"), 0o644)
        self.index(unprivileged=True)
        self.assertEqual(self.search("secret")[0], 0)


class JsonLines(IndexTestCase):
    def test_each_line_parses_and_carries_the_delivered_text(self):
        names = list(DOCUMENTS) + [b"missing.txt"]
        paths = [os.path.join(self.docs, n) for n in names]
        result = run(["--jsonl", "--jobs", "3"] + paths)
        self.assertEqual(result.returncode, 1)
        lines = result.stdout.decode("utf-8").split("\n")
        self.assertEqual(lines[-1], "")
        self.assertEqual(len(lines) - 1, len(paths))
        for path, line in zip(paths, lines):
            with self.subTest(path=path):
                record = json.loads(line)
                if "path_base64" in record:
                    self.assertEqual(base64.b64decode(record["path_base64"]), path)
                    self.assertIn("\ufffd", record["path"])
                else:
                    self.assertEqual(record["path"].encode("utf-8"), path)
                plain = run([path])
                if plain.returncode == 0:
                    self.assertEqual(record["text"], plain.stdout.decode("utf-8"))
                    self.assertGreater(record["result"], 0)
                else:
                    self.assertEqual((record["result"], record["text"]), (-1, ""))
                    self.assertIn(record["reason"], ("empty", "missing"))
        texts = [json.loads(line)["text"] for line in lines[:-1]]
        self.assertIn("\U0001F600", texts[names.index(b"utf16.txt")])
        self.assertIn("\U0001D11E", texts[names.index(b"sub/deeper/utf8.txt")])

    def test_unpaired_surrogates_become_replacement_characters(self):
        path = self.write(b"broken.txt", b"\xff\xfeA\x00\x3d\xd8B\x00")
        record = json.loads(run(["--jsonl", path]).stdout)
        self.assertEqual(record["text"], "A\ufffdB")


class BadDatabases(IndexTestCase):
    def make_index(self):
        self.index()
        with open(self.db, "rb") as f:
            return f.read()

    def assert_refused(self, command, status, message):
        result = run(command)
        self.assertEqual(result.returncode, status, result.stderr)
        self.assertIn(message, result.stderr.decode("utf-8", "replace"))

    def test_databases_that_are_not_usable_indexes(self):
        def foreign(path):
            with sqlite3.connect(os.fsdecode(path)) as c:
                c.execute("CREATE TABLE files(path TEXT)")
            c.close()

        def garbage(path):
            with open(path, "wb") as f:
                f.write(os.urandom(8192))

        def damaged(path):
            self.make_index()
            with open(path, "r+b") as f:  # keep page 1 (the schema), spoil the rest
                f.seek(4096)
                f.write(b"\x5a" * (os.path.getsize(path) - 4096))

        def newer(path):
            self.make_index()
            with sqlite3.connect(os.fsdecode(path)) as c:
                c.execute("PRAGMA user_version = 99")
            c.close()

        cases = [("another program's database", foreign, "not an index of idxfilter"),
                 ("not a database at all", garbage, "not an index of idxfilter"),
                 ("damaged index", damaged, "damaged"),
                 ("index of a later format", newer, "format 99")]
        for name, make, message in cases:
            with self.subTest(name):
                if os.path.exists(self.db):
                    os.remove(self.db)
                make(self.db)
                with open(self.db, "rb") as f:
                    before = f.read()
                self.assert_refused(["index", "--db", self.db, self.docs], 2, message)
                self.assert_refused(["search", "--db", self.db, "harbour"], 2, message)
                with open(self.db, "rb") as f:
                    self.assertEqual(f.read(), before, "the database was modified")

    def test_a_search_needs_an_existing_index(self):
        self.assert_refused(["search", "--db", os.path.join(self.work, b"none.db"), "x"], 2,
                            "no index at")
        self.assertFalse(os.path.exists(os.path.join(self.work, b"none.db")))
        open(self.db, "wb").close()
        self.assert_refused(["search", "--db", self.db, "x"], 2, "empty")

    def test_a_locked_index_is_reported_and_left_as_it_was(self):
        self.make_index()
        rows = self.rows()
        self.write(b"latin.rtf", rtf_document([(0, "Narwhal")]), mtime=time.time() + 10)
        holder = sqlite3.connect(os.fsdecode(self.db), isolation_level=None)
        holder.execute("BEGIN EXCLUSIVE")
        try:
            self.assert_refused(["index", "--db", self.db, self.docs], 2, "locked")
        finally:
            holder.execute("ROLLBACK")
            holder.close()
        self.assertEqual(self.rows(), rows)
        self.assertEqual(self.search("zebrafish")[0], 0)

    def test_a_read_only_index_is_reported(self):
        self.make_index()
        os.chmod(self.db, 0o444)
        os.chmod(self.work, 0o777)
        result = run(["index", "--db", self.db, self.docs], unprivileged=True)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn(b"read-only", result.stderr)

    def test_an_interrupted_run_leaves_a_consistent_index(self):
        for i in range(3000):
            self.write(b"many/%04d.txt" % i, b"Filler number %d harbour" % i)
        process = subprocess.Popen([TOOL, "index", "--db", self.db, self.docs],
                                   stderr=subprocess.DEVNULL)
        time.sleep(0.3)
        process.send_signal(signal.SIGKILL)
        process.wait()
        # A search first: it finds (and must roll back) the journal of the
        # batch that was being written.
        status, _, stderr = self.search("harbour")
        self.assertIn(status, (0, 1), stderr)
        with sqlite3.connect(os.fsdecode(self.db)) as c:
            self.assertEqual(c.execute("PRAGMA integrity_check").fetchone()[0], "ok")
            unmatched = c.execute(
                "SELECT count(*) FROM files WHERE (result >= 0) !="
                " (id IN (SELECT rowid FROM texts))").fetchone()[0]
            self.assertEqual(unmatched, 0)
        c.close()
        self.assertIn(self.index().returncode, (0, 1))
        self.assertEqual(len(self.rows()), len(DOCUMENTS) + 3000)
        self.assertEqual(self.search('"number 2999"')[0], 0)

    def test_queries_that_fts5_rejects(self):
        self.make_index()
        # Typed queries are words; FTS5's own syntax comes with --fts.
        for query in ['"unterminated', "harbour AND", "nosuchcolumn: x", "(zebrafish"]:
            with self.subTest(query=query):
                result = run(["search", "--db", self.db, "--fts", "--", query])
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"the query was refused", result.stderr)

    def test_usage_errors(self):
        for args in [["index"], ["search"], ["index", "--jobs", "0", "x"],
                     ["search", "--limit", "x", "y"], ["index", "--bogus", "x"]]:
            with self.subTest(args=args):
                self.assertEqual(run(args).returncode, 2)


if __name__ == "__main__":
    TOOL = os.path.abspath(os.fsencode(sys.argv.pop(1)))
    unittest.main(verbosity=2)
