"""extract and extract_bytes: the tool's texts, every kind of source, failures
with their reasons, bad arguments."""

from __future__ import annotations

import array
import mmap
import os
import pathlib
import random
import stat
import subprocess
import sys
import tempfile
import threading
import time

import pytest

import idxfilter
from conftest import comparable, sample_files, tool_rows

def test_samples_give_the_tools_rows(reader: str) -> None:
    paths = [os.fsencode(p) for p in sample_files()]
    expected = [comparable(row, reader) for row in tool_rows(paths, reader)]
    rows = [idxfilter.jsonl_row(idxfilter.extract(p, reader=reader)) for p in paths]
    assert len(rows) == len(expected)
    for row, want in zip(rows, expected):
        assert row == want, row["path"]


def test_generated_documents_give_the_tools_rows(generated: list[bytes], reader: str) -> None:
    expected = [comparable(row, reader) for row in tool_rows(generated, reader)]
    assert [idxfilter.jsonl_row(idxfilter.extract(p, reader=reader)) for p in generated] == expected


def _sources(data: bytes, tmp_path: pathlib.Path):
    """The same document as every kind of bytes-like object extract takes."""
    mapped_file = tmp_path / "mapped"
    mapped_file.write_bytes(data or b"\0")
    with open(mapped_file, "rb") as f:
        mapped = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) if data else None
    yield "bytearray", bytearray(data)
    yield "memoryview", memoryview(data)
    yield "memoryview slice", memoryview(b"xx" + data + b"yy")[2:2 + len(data)]
    yield "strided copy", memoryview(bytes(c for b in data for c in (b, 0)))[::2]
    yield "array", array.array("B", data)
    if mapped is not None:
        yield "mmap", mapped


def test_bytes_and_path_sources_agree(reader: str, tmp_path: pathlib.Path,
                                      generated: list[bytes]) -> None:
    for path in [os.fsencode(p) for p in sample_files()] + generated[:12]:
        from_path = idxfilter.extract(path, reader=reader)
        with open(path, "rb") as f:
            data = f.read()
        from_bytes = idxfilter.extract_bytes(data, reader=reader)
        assert (from_bytes.text, from_bytes.meta, from_bytes.units, from_bytes.reason) == \
               (from_path.text, from_path.meta, from_path.units, from_path.reason), path
        assert from_bytes.path is None and from_path.path == path
        for kind, source in _sources(data, tmp_path):
            for call in (idxfilter.extract, idxfilter.extract_bytes):
                got = call(source, reader=reader)
                assert (got.text, got.meta, got.units) == (from_path.text, from_path.meta,
                                                           from_path.units), (path, kind, call)


def test_path_kinds_agree(generated: list[bytes], reader: str) -> None:
    path = generated[2]
    want = idxfilter.extract(path, reader=reader)
    assert want.units > 0
    for source in (os.fsdecode(path), pathlib.Path(os.fsdecode(path)), path):
        got = idxfilter.extract(source, reader=reader)
        assert (got.text, got.meta, got.units) == (want.text, want.meta, want.units)
        assert got.path is source


NON_UTF8_NAMES = [b"caf\xe9.rtf", b"\xff\xfe.txt", b"trunc\xe2\x82.txt", b"sur\xed\xa0\x80.txt",
                  b"over\xc0\xaf.txt", b"big\xf4\x90\x80\x80.txt"]


@pytest.mark.parametrize("name", NON_UTF8_NAMES)
def test_names_that_are_not_utf8(tmp_path: pathlib.Path, name: bytes, reader: str) -> None:
    folder = os.fsencode(tmp_path)
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(b"{\\rtf1\\ansi caf\\'e9 au lait\\par}")
    want = idxfilter.extract(path, reader=reader)
    assert want.units > 0 and "caf\u00e9 au lait" in want.text
    as_str = os.fsdecode(path)  # surrogate escapes stand for the bytes
    assert idxfilter.extract(as_str, reader=reader).text == want.text
    assert idxfilter.extract(pathlib.Path(as_str), reader=reader).text == want.text
    row = idxfilter.jsonl_row(want)
    assert row["path_base64"] and "\ufffd" in row["path"]
    assert [row] == [comparable(r, reader) for r in tool_rows([path], reader)]


def _fifo_with_writer(path: str, data: bytes) -> threading.Thread:
    os.mkfifo(path)

    def write() -> None:
        with open(path, "wb") as f:
            f.write(data)
    writer = threading.Thread(target=write, daemon=True)
    writer.start()
    return writer


def test_files_that_give_no_text(tmp_path: pathlib.Path, reader: str) -> None:
    (tmp_path / "empty").write_bytes(b"")
    (tmp_path / "blank.rtf").write_bytes(b"{\\rtf1\\ansi }")
    (tmp_path / "folder").mkdir()
    os.symlink(tmp_path / "nowhere", tmp_path / "dangling")
    os.symlink(tmp_path / "loop", tmp_path / "loop")
    (tmp_path / "file").write_bytes(b"x")
    cases = {
        "missing": "missing",
        "dangling": "missing",
        "file/below": "missing",  # a component is not a folder
        "loop": "link loop",
        "folder": "a directory",
        "empty": "empty",
        "blank.rtf": "no text",
        "x" * 300: "name too long",
    }
    for name, reason in cases.items():
        result = idxfilter.extract(str(tmp_path / name), reader=reader)
        assert (result.units, result.text, result.meta, result.reason) == (-1, "", {}, reason), name
    assert idxfilter.extract("/dev/null", reader=reader).reason == "not a regular file"
    assert idxfilter.extract_bytes(b"", reader=reader).reason == "empty"


def test_tool_reasons_match(tmp_path: pathlib.Path) -> None:
    (tmp_path / "empty").write_bytes(b"")
    (tmp_path / "folder").mkdir()
    paths = [os.fsencode(tmp_path / n) for n in ("missing", "empty", "folder")] + [b"/dev/null"]
    rows = [idxfilter.jsonl_row(idxfilter.extract(p, reader="exact")) for p in paths]
    assert rows == [comparable(r, "exact") for r in tool_rows(paths, "exact")]


PERMISSION_PROBE = """
import os, sys, idxfilter
os.setgid(65534); os.setuid(65534)
for path in sys.argv[1:]:
    print(idxfilter.extract(path, reader="exact").reason)
"""


@pytest.mark.skipif(os.geteuid() != 0, reason="needs root to run as another user")
def test_files_this_user_may_not_read() -> None:
    # Run as nobody: a file it may not read, and one in a folder it may not
    # enter (the library is not even reached).
    with tempfile.TemporaryDirectory(dir="/tmp") as folder:
        os.chmod(folder, 0o755)
        secret = os.path.join(folder, "secret.txt")
        closed = os.path.join(folder, "closed")
        with open(secret, "w") as f:
            f.write("hidden")
        os.chmod(secret, 0)
        os.mkdir(closed, 0o700)
        with open(os.path.join(closed, "inside.txt"), "w") as f:
            f.write("hidden")
        run = subprocess.run([sys.executable, "-c", PERMISSION_PROBE, secret,
                              os.path.join(closed, "inside.txt")],
                             capture_output=True, text=True, env=dict(os.environ))
    assert run.returncode == 0, run.stderr
    assert run.stdout.splitlines() == ["permission denied", "permission denied"]


def test_fifo_is_read_as_a_stream(tmp_path: pathlib.Path) -> None:
    path = str(tmp_path / "fifo")
    writer = _fifo_with_writer(path, b"through a pipe\n")
    result = idxfilter.extract(path, reader="exact")
    writer.join(5)
    assert result.text == "through a pipe\n"
    assert stat.S_ISFIFO(os.stat(path).st_mode)


def test_bytes_that_are_not_documents(reader: str) -> None:
    with open("/bin/true", "rb") as f:
        elf = f.read()
    rng = random.Random(5)
    binaries = [elf, bytes(rng.randrange(256) for _ in range(100_000)), b"\0" * 4096]
    odd = [elf[:64], b"{\\rtf1" + bytes(rng.randrange(256) for _ in range(5000)), b"{\\rtf1{{{{{{",
           b"\\"]
    for blob in binaries + odd:
        result = idxfilter.extract_bytes(blob, reader=reader)
        assert isinstance(result.text, str)
        assert (result.units > 0) == (result.reason is None)
        assert result.units > 0 or result.reason in {"no text", "binary"}, result.reason
    if reader == "complete":  # it tells a program or noise from text
        assert [idxfilter.extract_bytes(b).reason for b in binaries] == ["binary"] * 3
    # A document in bytes given to extract is a path; the NUL bytes say it is not one.
    with pytest.raises(ValueError, match="extract_bytes"):
        idxfilter.extract(elf)


def test_text_is_counted_in_utf16_units() -> None:
    result = idxfilter.extract_bytes("a\U0001F600b\u00e9\n".encode("utf-8"), reader="exact")
    assert result.text == "a\U0001F600b\u00e9\n"
    assert result.units == len(result.text.encode("utf-16-le")) // 2


BAD_ARGUMENTS = [
    (lambda: idxfilter.extract(3), TypeError),
    (lambda: idxfilter.extract(None), TypeError),
    (lambda: idxfilter.extract(["a"]), TypeError),
    (lambda: idxfilter.extract("a\0b"), ValueError),
    (lambda: idxfilter.extract(b"a\0b"), ValueError),
    (lambda: idxfilter.extract("x", reader="fast"), ValueError),
    (lambda: idxfilter.extract("x", reader=1), TypeError),
    (lambda: idxfilter.extract("x", reader=None), TypeError),
    (lambda: idxfilter.extract("x", ansi_code_page=-1), ValueError),
    (lambda: idxfilter.extract("x", ansi_code_page=65536), ValueError),
    (lambda: idxfilter.extract("x", ansi_code_page="1252"), TypeError),
    (lambda: idxfilter.extract("x", ansi_code_page=True), TypeError),
    (lambda: idxfilter.extract("x", ansi_code_page=1252.0), TypeError),
    (lambda: idxfilter.extract("x", reader="exact", ansi_code_page="guess"), ValueError),
    (lambda: idxfilter.extract_bytes(b"text", reader="exact", ansi_code_page=12345), ValueError),
    (lambda: idxfilter.extract_bytes(b"text", reader="exact", ansi_code_page=65001), ValueError),
    (lambda: idxfilter.extract("missing", reader="exact", ansi_code_page=12345), ValueError),
    (lambda: idxfilter.extract_many([], reader="exact", ansi_code_page=12345), ValueError),
    (lambda: idxfilter.extract_bytes("text"), TypeError),
    (lambda: idxfilter.extract_bytes(12), TypeError),
    (lambda: idxfilter.extract_bytes(b"x", reader="exactly"), ValueError),
    (lambda: idxfilter.extract_many(["x"], jobs=0), ValueError),
    (lambda: idxfilter.extract_many(["x"], jobs="2"), TypeError),
    (lambda: idxfilter.extract_many(["x"], reader="other"), ValueError),
    (lambda: idxfilter.extract_many("report.rtf"), TypeError),
    (lambda: idxfilter.extract_many(pathlib.Path("docs")), TypeError),
    (lambda: list(idxfilter.extract_many(None)), TypeError),
]


@pytest.mark.parametrize("call,error", BAD_ARGUMENTS)
def test_bad_arguments(call, error) -> None:
    with pytest.raises(error):
        call()


CODE_PAGE_OPTIONS = [(None, ()), (1251, ("--ansi-codepage", "1251")),
                     (1253, ("--ansi-codepage", "1253")), (932, ("--ansi-codepage", "932")),
                     ("guess", ("--ansi-codepage", "auto"))]


@pytest.mark.parametrize("code_page,tool_options", CODE_PAGE_OPTIONS)
def test_code_page_options_match_the_tools(tmp_path: pathlib.Path, reader: str, code_page,
                                           tool_options: tuple[str, ...]) -> None:
    if code_page == "guess" and reader == "exact":
        pytest.skip("the exact reader does not guess")
    texts = ["\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440, \u044d\u0442\u043e "
             "\u0442\u0435\u0441\u0442 \u043a\u043e\u0434\u0438\u0440\u043e\u0432\u043a\u0438.\n",
             "\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u03ba\u03cc\u03c3\u03bc\u03b5\n"]
    paths = []
    for name, text, encoding in (("ru.txt", texts[0], "cp1251"), ("el.txt", texts[1], "cp1253"),
                                 ("ja.txt", "\u65e5\u672c\u8a9e\u306e\u6587\u66f8\n", "cp932")):
        path = tmp_path / name
        path.write_bytes(text.encode(encoding))
        rtf = tmp_path / (name + ".rtf")
        rtf.write_bytes(b"{\\rtf1\\ansi " + text.encode(encoding).replace(b"\n", b"\\par ") + b"}")
        paths += [os.fsencode(path), os.fsencode(rtf)]
    expected = [comparable(row, reader) for row in tool_rows(paths, reader, extra=tool_options)]
    rows = [idxfilter.jsonl_row(idxfilter.extract(p, reader=reader, ansi_code_page=code_page))
            for p in paths]
    assert rows == expected


def test_code_pages_change_8bit_text() -> None:
    data = "\u0436\u0443\u043a".encode("cp1251") + b"\n"
    assert idxfilter.extract_bytes(data, reader="exact").text == data.decode("cp1252")
    assert idxfilter.extract_bytes(data, reader="exact", ansi_code_page=1251).text == \
        "\u0436\u0443\u043a\n"


def test_results_are_frozen() -> None:
    result = idxfilter.extract_bytes(b"hello\n", reader="exact")
    with pytest.raises(AttributeError):
        result.text = "other"  # type: ignore[misc]
    assert result.ok and not idxfilter.extract_bytes(b"", reader="exact").ok


@pytest.mark.slow
def test_a_document_of_200_mb(tmp_path: pathlib.Path, reader: str) -> None:
    line = "{\\b quarterly} caf\\'e9 report \\u1078? \\par\n"
    count = 200 * 1024 * 1024 // len(line) + 1
    path = tmp_path / "large.rtf"
    with open(path, "w", encoding="ascii") as f:
        f.write("{\\rtf1\\ansi\\uc1 ")
        for _ in range(count // 10000):
            f.write(line * 10000)
        f.write(line * (count % 10000))
        f.write("}")
    assert path.stat().st_size > 200 * 1024 * 1024
    result = idxfilter.extract(path, reader=reader)
    assert result.units > 0 and result.reason is None
    if reader == "exact":  # no Unicode escapes in the export's text
        assert result.text == "quarterly caf\u00e9 report \r\n" * count
    else:  # the last line end and the blank before it trimmed
        assert result.text == ("quarterly caf\u00e9 report \u0436 \n" * count).rstrip()
    assert result.units == len(result.text)  # no character here takes two units
    data = path.read_bytes()
    assert idxfilter.extract_bytes(data, reader=reader).units == result.units


def _spins_while(call) -> tuple[int, float]:
    """How often this thread goes round a loop while ``call`` runs on another."""
    done = threading.Event()
    worker = threading.Thread(target=lambda: (call(), done.set()))
    spins = 0
    start = time.perf_counter()
    worker.start()
    while not done.is_set():
        spins += 1
    elapsed = time.perf_counter() - start
    worker.join()
    return spins, elapsed


def test_the_gil_is_released_during_extraction(tmp_path: pathlib.Path) -> None:
    path = tmp_path / "large.txt"
    path.write_bytes(b"quarterly caf\xe9 report\n" * 2_000_000)  # 46 MB of 8-bit text
    alone, alone_seconds = _spins_while(lambda: time.sleep(0.1))
    spins, seconds = _spins_while(lambda: idxfilter.extract(path, reader="exact"))
    # A call that held the GIL would let the loop run only once per switch
    # interval (5 ms) handed back, a few per cent of its pace alone.
    assert spins / seconds > 0.2 * alone / alone_seconds
