#!/usr/bin/env python3
"""End-to-end tests of what `idxfilter index` must never do: lose entries
silently, read a file outside the tree, let one file fail a run, keep a
text filtered with other settings, or run twice on one index.

Usage: index_safety_test.py TOOL
"""
import fcntl
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import unittest

TOOL = None
SECRET = b"TOPSECRETQUAHOG"


def run(args, env=None, **kwargs):
    full_env = dict(os.environ)
    full_env.pop("IDXFILTER_DB", None)
    full_env.update(env or {})
    return subprocess.run([TOOL] + args, capture_output=True, timeout=300, env=full_env,
                          **kwargs)


class Case(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="idxfilter-safety-").encode()
        self.docs = os.path.join(self.work, b"docs")
        self.db = os.path.join(self.work, b"index.db")
        os.makedirs(self.docs)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def write(self, name, content):
        path = os.path.join(self.docs, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def index(self, *extra, env=None):
        return run(["index", "--db", self.db] + list(extra) + [self.docs], env=env)

    def query(self, sql, *args):
        connection = sqlite3.connect(os.fsdecode(self.db))
        try:
            return connection.execute(sql, args).fetchall()
        finally:
            connection.close()

    def contents(self):
        """path -> (size, mtime, result, reason, text) of every entry."""
        return {bytes(p): (s, m, r, why, t) for p, s, m, r, why, t in self.query(
            "SELECT path, size, modified_ns, result, reason, texts.text FROM files"
            " LEFT JOIN texts ON texts.rowid = files.id")}


class NoSilentLoss(Case):
    def test_a_missing_path_is_an_error_and_creates_no_index(self):
        result = run(["index", "--db", self.db, os.path.join(self.work, b"nonexistent")])
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn(b"missing", result.stderr)
        self.assertFalse(os.path.exists(self.db))

    def test_forget_and_prune_remove_entries_on_request_only(self):
        self.write(b"a/one.txt", b"alpha")
        self.write(b"a/two.txt", b"beta")
        self.write(b"b/three.txt", b"gamma")
        self.assertEqual(self.index().returncode, 0)
        shutil.rmtree(os.path.join(self.docs, b"a"))
        result = run(["forget", "--db", self.db, os.path.join(self.docs, b"a")])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(b"2 entries removed", result.stderr)
        self.assertEqual(sorted(self.contents()), [os.path.join(self.docs, b"b/three.txt")])
        shutil.rmtree(self.docs)
        self.assertEqual(self.index().returncode, 2)
        self.assertEqual(len(self.contents()), 1)
        self.assertEqual(self.index("--prune").returncode, 0)
        self.assertEqual(self.contents(), {})

    def test_a_folder_that_can_be_listed_but_not_entered_keeps_its_entries(self):
        if os.geteuid() == 0:
            self.skipTest("permissions do not stop root")
        self.write(b"shut/inside.txt", b"kept")
        self.index()
        os.chmod(os.path.join(self.docs, b"shut"), 0o444)
        try:
            result = self.index()
        finally:
            os.chmod(os.path.join(self.docs, b"shut"), 0o755)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn(b"cannot enter the folder", result.stderr)
        self.assertIn(os.path.join(self.docs, b"shut/inside.txt"), self.contents())


class OnlyTheWalkedFile(Case):
    def test_files_and_folders_swapped_for_links_never_bring_in_the_outside(self):
        outside = os.path.join(self.work, b"outside")
        os.makedirs(os.path.join(outside, b"dir"))
        for target in (os.path.join(outside, b"secret.txt"),
                       os.path.join(outside, b"dir/f0000.txt")):
            with open(target, "wb") as f:
                f.write(SECRET + b" the outside text")
        folders = [b"d%02d" % i for i in range(20)]
        for folder in folders:
            for i in range(150):
                self.write(folder + b"/f%04d.txt" % i, b"ordinary words %d" % i)
        stop = threading.Event()
        rng = random.Random(14)

        def swap():
            while not stop.is_set():
                folder = rng.choice(folders)
                path = os.path.join(self.docs, folder, b"f%04d.txt" % rng.randrange(150))
                try:
                    os.replace(path, path + b".away")
                    os.symlink(os.path.join(outside, b"secret.txt"), path)
                    time.sleep(0.0005)
                    os.remove(path)
                    os.replace(path + b".away", path)
                except OSError:
                    pass
                whole = os.path.join(self.docs, rng.choice(folders))
                try:
                    os.rename(whole, whole + b".away")
                    os.symlink(os.path.join(outside, b"dir"), whole)
                    time.sleep(0.0005)
                    os.remove(whole)
                    os.rename(whole + b".away", whole)
                except OSError:
                    pass

        thread = threading.Thread(target=swap)
        thread.start()
        try:
            for _ in range(4):
                self.index("--force", "--jobs", "2")
        finally:
            stop.set()
            thread.join()
        leaked = self.query("SELECT count(*) FROM texts WHERE text LIKE ?",
                            "%" + SECRET.decode() + "%")[0][0]
        self.assertEqual(leaked, 0)
        with open(self.db, "rb") as f:
            self.assertNotIn(SECRET, f.read())

    def test_a_path_longer_than_path_max_is_indexed(self):
        fd = os.open(self.docs, os.O_RDONLY | os.O_DIRECTORY)
        name = b"n" * 200
        for _ in range(25):
            os.mkdir(name, dir_fd=fd)
            child = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = child
        leaf = os.open(b"deep.txt", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd)
        os.write(leaf, b"Abyssal")
        os.close(leaf)
        os.close(fd)
        result = self.index()
        self.assertEqual(result.returncode, 0, result.stderr)
        paths = [p for p in self.contents() if p.endswith(b"/deep.txt")]
        self.assertEqual(len(paths), 1)
        self.assertGreater(len(paths[0]), 5000)
        self.assertEqual(self.contents()[paths[0]][4], "Abyssal")


class OneFileNeverFailsARun(Case):
    def test_a_text_over_the_limit_is_truncated_on_a_character_and_flagged(self):
        self.write(b"big.txt", ("\u00e9" * 40).encode("utf-8"))  # 80 bytes
        self.write(b"small.txt", b"tiny")
        result = self.index(env={"IDXFILTER_TEST_TEXT_LIMIT": "25"})
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(b"big.txt: text truncated", result.stderr)
        rows = dict(((bytes(p), (t, tr)) for p, t, tr in self.query(
            "SELECT path, texts.text, truncated FROM files JOIN texts ON texts.rowid = files.id")))
        self.assertEqual(rows[os.path.join(self.docs, b"big.txt")], ("\u00e9" * 12, 1))
        self.assertEqual(rows[os.path.join(self.docs, b"small.txt")], ("tiny", 0))


class Settings(Case):
    def test_other_settings_force_and_excludes(self):
        self.write(b"a.txt", b"caf\xe9")
        self.write(b".hidden/b.txt", b"hidden words")
        self.write(b"skip/c.txt", b"skipped")
        self.write(b"d.log", b"log words")
        self.assertEqual(self.index("--exclude", "skip", "--exclude", "*.log").returncode, 0)
        self.assertEqual(sorted(os.path.relpath(p, self.docs) for p in self.contents()),
                         [b".hidden/b.txt", b"a.txt"])
        self.assertEqual(self.query("SELECT DISTINCT reader, ansi_codepage FROM files"),
                         [("complete", 1252)])
        again = self.index("--exclude", "skip", "--exclude", "*.log")
        self.assertIn(b"0 filtered, 2 unchanged", again.stderr)
        other = self.index("--ansi-codepage", "1251", "--exclude", "skip", "--exclude", "*.log")
        self.assertIn(b"2 filtered, 0 unchanged", other.stderr)
        self.assertEqual(self.contents()[os.path.join(self.docs, b"a.txt")][4], "caf\u0439")
        forced = self.index("--ansi-codepage", "1251", "--force", "--exclude", "skip",
                            "--exclude", "*.log")
        self.assertIn(b"2 filtered, 0 unchanged", forced.stderr)


class Runs(Case):
    def make_many(self, count):
        for i in range(count):
            self.write(b"m%02d/%05d.txt" % (i % 20, i), b"Filler number %d harbour" % i)

    def test_a_second_run_on_the_same_index_stops_at_once(self):
        self.write(b"a.txt", b"one")
        self.index()
        with open(self.db, "rb") as held:
            fcntl.flock(held, fcntl.LOCK_EX)
            result = self.index()
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn(b"another idxfilter run", result.stderr)
        self.assertEqual(len(self.contents()), 1)

    def test_sigterm_commits_and_says_how_many(self):
        self.make_many(4000)
        for sig, status in ((signal.SIGTERM, 143), (signal.SIGINT, 130)):
            with self.subTest(signal=sig):
                if os.path.exists(self.db):
                    os.remove(self.db)
                process = subprocess.Popen([TOOL, "index", "--db", self.db, self.docs],
                                           stderr=subprocess.PIPE)
                time.sleep(0.4)
                process.send_signal(sig)
                _, stderr = process.communicate(timeout=120)
                if process.returncode == 0:
                    continue  # finished before the signal
                self.assertEqual(process.returncode, status, stderr)
                self.assertIn(b"interrupted:", stderr)
                committed = int(stderr.split(b"interrupted: ")[1].split()[0])
                self.assertEqual(len(self.contents()), committed)

    def test_sigkill_at_random_points_loses_and_doubles_nothing(self):
        self.make_many(3000)
        rng = random.Random(5)
        for _ in range(10):
            process = subprocess.Popen([TOOL, "index", "--db", self.db, "--force", self.docs],
                                       stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0.02, 1.0))
            process.kill()
            process.wait()
            run(["search", "--db", self.db, "harbour"])  # rolls back a hot journal
            self.assertEqual(self.query("PRAGMA integrity_check"), [("ok",)])
            self.assertEqual(self.query(
                "SELECT count(*) FROM files WHERE (result >= 0) !="
                " (id IN (SELECT rowid FROM texts))"), [(0,)])
            self.assertEqual(self.query(
                "SELECT count(*) FROM texts WHERE rowid NOT IN (SELECT id FROM files)"), [(0,)])
        self.assertEqual(self.index().returncode, 0)
        killed = self.contents()
        os.remove(self.db)
        self.assertEqual(self.index().returncode, 0)
        self.assertEqual(killed, self.contents())


if __name__ == "__main__":
    TOOL = os.path.abspath(os.fsencode(sys.argv.pop(1)))
    unittest.main(verbosity=2)
