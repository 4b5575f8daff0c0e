"""Rows of --jsonl: ill-formed names and awkward texts written as the tool writes them."""

from __future__ import annotations

import json
import os
import pathlib
import random

import idxfilter
from idxfilter._jsonl import json_string
from conftest import comparable, tool_rows

NAMES = [b"plain.txt", "caf\u00e9 \u043c\u0438\u0440.txt".encode(), b"quote\".txt", b"back\\slash.txt",
         b"tab\there.txt", b"line\nbreak.txt", b"\x01\x1f.txt", b"lat\xe9.txt", b"\xe2\x82.txt",
         b"\xe2\x82\xac\xe2.txt", b"\xed\xa0\x80.txt", b"\xed\x9f\xbf.txt", b"\xf4\x90\x80\x80.txt",
         b"\xf0\x8f\xbf\xbf.txt", b"\xc0\xaf.txt", b"\xc2.txt", b"\xff.txt", b"\x80\x80.txt"]

TEXTS = [b"\"quoted\" \\ back\x01\x02\x1f\x7f end\n", "\u2028\u2029 \U0001F600 \u00e9\n".encode(),
         b"tab\tcr\rlf\nff\x0cbs\x08"]


def test_rows_equal_the_tools_for_awkward_names_and_texts(tmp_path: pathlib.Path) -> None:
    folder = os.fsencode(tmp_path)
    paths = []
    for i, name in enumerate(NAMES):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(TEXTS[i % len(TEXTS)])
        paths.append(path)
    paths.append(os.path.join(folder, b"gone\xe9"))
    expected_lines = tool_rows(paths, "exact")
    for path, want in zip(paths, expected_lines):
        line = idxfilter.jsonl_line(idxfilter.extract(path, reader="exact"))
        assert line.endswith("\n") and "\n" not in line[:-1]
        assert json.loads(line) == comparable(want, "exact"), path


def test_keys_are_in_the_tools_order() -> None:
    result = idxfilter.Result("", {}, -1, "missing", b"\xff", "exact")
    assert list(idxfilter.jsonl_row(result)) == ["path", "path_base64", "reader", "result", "text",
                                                "reason"]
    result = idxfilter.Result("t", {"title": "T"}, 1, None, "p", "complete")
    assert idxfilter.jsonl_line(result) == \
        '{"path":"p","reader":"complete","result":1,"meta":{"title":"T"},"text":"t"}\n'


def _compact(row: dict) -> str:
    return json.dumps(row, ensure_ascii=False, separators=(",", ":")) + "\n"


def test_escaping_equals_the_json_modules() -> None:
    rng = random.Random(3)
    alphabet = [chr(c) for c in range(0x20)] + list('"\\/ aZ\x7f\x80\u00e9\u2028\uffff') + \
        ["\U0001F600", "\u0436"]
    samples = ["", '"', "\\", "\\u0041", "\x00", "\x1f\x7f"]
    samples += ["".join(rng.choice(alphabet) for _ in range(rng.randrange(1, 40)))
                for _ in range(2000)]
    for text in samples:
        assert json_string(text) == json.dumps(text, ensure_ascii=False).encode(), repr(text)


def test_lines_are_the_compact_json_of_the_rows(generated: list[bytes], tmp_path: pathlib.Path) -> None:
    results = [idxfilter.extract(p) for p in generated[:50]]
    results += [idxfilter.Result("a\x01b", {"title": 'q"\\', "author": "\u0436\n"}, 4, None,
                                 b"\xff\x00".replace(b"\x00", b"x"), "complete"),
                idxfilter.Result("", {}, -1, "unreadable (Input/output error)", "p", "exact")]
    for result in results:
        assert idxfilter.jsonl_line(result) == _compact(idxfilter.jsonl_row(result))
        assert idxfilter.jsonl_line_bytes(result) == _compact(idxfilter.jsonl_row(result)).encode()
