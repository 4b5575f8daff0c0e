"""Shared pieces of the package's tests: the command-line tool's rows for the
same files, the sample documents, generated documents."""

from __future__ import annotations

import json
import os
import random
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SHARED_SAMPLES = Path("/work/shared/samples")


def tool_path() -> str:
    """The built command-line tool (IDXFILTER_TOOL, else build/native/idxfilter)."""
    tool = os.environ.get("IDXFILTER_TOOL") or str(ROOT / "build" / "native" / "idxfilter")
    if not os.access(tool, os.X_OK):
        pytest.skip(f"the command-line tool is not built ({tool})")
    return tool


def tool_knows(option: str) -> bool:
    """Whether the tool takes ``option`` (exit status 2 is a usage error)."""
    run = subprocess.run([tool_path(), option, "--jsonl", "/dev/null"], capture_output=True)
    return run.returncode != 2


def tool_arguments(reader: str) -> list[str]:
    """The tool's options for a reader; skips where the tool has no such reader."""
    option = "--" + reader
    if tool_knows(option):
        return [option]
    if reader == "exact":
        return []  # a tool with one reader: the exact one
    pytest.skip("this build of the tool has no complete reader")


def tool_output(paths: list[bytes], reader: str, cwd: str | None = None,
                extra: tuple[str, ...] = ()) -> bytes:
    """What the tool writes with --jsonl for ``paths`` (``extra``: more
    options). Long lists are given in slices (argument length)."""
    options = tool_arguments(reader) + list(extra)
    return b"".join(
        subprocess.run([tool_path().encode(), b"--jsonl", *map(str.encode, options), b"--",
                        *paths[start:start + 500]], capture_output=True, cwd=cwd,
                       check=False).stdout
        for start in range(0, len(paths), 500))


def tool_rows(paths: list[bytes], reader: str, cwd: str | None = None,
              extra: tuple[str, ...] = ()) -> list[dict]:
    """The tool's --jsonl rows for ``paths``, parsed, in order."""
    return [json.loads(line) for line in tool_output(paths, reader, cwd, extra).splitlines()]


def comparable(row: dict, reader: str) -> dict:
    """A row as both sides write it (older builds of the tool, with one
    reader, do not name it)."""
    row = dict(row)
    row.setdefault("reader", reader)
    return row


def sample_files() -> list[Path]:
    """The shared sample documents where present, else the repository's test data."""
    folder = SHARED_SAMPLES if SHARED_SAMPLES.is_dir() else ROOT / "tests" / "data"
    return sorted(p for p in folder.rglob("*") if p.is_file() and p.name != "README.md")


LATIN = ("report harbour quarterly caf\u00e9 na\u00efve fa\u00e7ade sales region north total "
         "summary figures growth budget forecast").split()
CYRILLIC = "\u043e\u0442\u0447\u0451\u0442 \u043f\u0440\u043e\u0434\u0430\u0436\u0438 \u0438\u0442\u043e\u0433".split()


def _rtf_escape(text: str, code_page: str) -> str:
    return "".join(c if ord(c) < 0x80 else "".join("\\'%02x" % b for b in c.encode(code_page))
                   for c in text)


def make_document(rng: random.Random, kind: int, size: int) -> bytes:
    """A document of about ``size`` bytes: RTF (kind 0-2, with an info group
    in kind 2) or text in UTF-8 (3), code page 1252 (4) or UTF-16LE (5)."""
    def words(vocabulary: list[str], n: int) -> str:
        return " ".join(rng.choice(vocabulary) for _ in range(n))
    if kind < 3:
        head = ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                "{\\f1\\froman\\fcharset204 Times New Roman Cyr;}}\n")
        if kind == 2:
            head += "{\\info{\\title Quarterly %d}{\\author A. Writer}}\n" % rng.randrange(1000)
        parts = [head]
        while sum(map(len, parts)) < size:
            if rng.random() < 0.25:
                parts.append("\\pard\\f1 %s\\par\n" % _rtf_escape(words(CYRILLIC, 8), "cp1251"))
            else:
                parts.append("\\pard\\f0 {\\b %s} %s\\par\n" % (
                    _rtf_escape(words(LATIN, 3), "cp1252"), _rtf_escape(words(LATIN, 12), "cp1252")))
        return ("".join(parts) + "}\n").encode("ascii")
    lines = []
    while sum(map(len, lines)) < size:
        lines.append(words(LATIN, 10) + "\n")
    text = "".join(lines)
    if kind == 3:
        return text.encode("utf-8")
    if kind == 4:
        return text.encode("cp1252")
    return b"\xff\xfe" + text.encode("utf-16-le")


def make_documents(folder: Path, count: int, seed: int = 11, max_size: int = 6000) -> list[bytes]:
    """``count`` generated documents under ``folder`` (in a few subfolders);
    their paths as bytes, in order."""
    rng = random.Random(seed)
    paths = []
    for i in range(count):
        sub = folder / f"d{i % 10}"
        sub.mkdir(parents=True, exist_ok=True)
        kind = i % 6
        path = sub / (f"doc{i:05d}.rtf" if kind < 3 else f"doc{i:05d}.txt")
        path.write_bytes(make_document(rng, kind, rng.randint(200, max_size)))
        paths.append(os.fsencode(path))
    return paths


@pytest.fixture(scope="session")
def generated(tmp_path_factory: pytest.TempPathFactory) -> list[bytes]:
    """300 generated documents shared by the tests that only read them."""
    return make_documents(tmp_path_factory.mktemp("generated"), 300)


def library_has_complete_reader() -> bool:
    """Whether this build of the library has its complete reader (until it
    has, the complete reader fails every document)."""
    import idxfilter
    return idxfilter.extract_bytes(b"plain text\n").units > 0


@pytest.fixture(params=["complete", "exact"])
def reader(request: pytest.FixtureRequest) -> str:
    """Each reader in turn; the complete one only where the library has it."""
    if request.param == "complete" and not library_has_complete_reader():
        pytest.skip("this build of the library has no complete reader yet")
    return request.param
