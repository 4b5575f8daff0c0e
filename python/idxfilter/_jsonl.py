"""Rows of ``idxfilter --jsonl``: one JSON object per file.

Keys in this order: ``path``; ``path_base64`` only when the path's bytes
are not valid UTF-8 (``path`` then shows each ill-formed byte as U+FFFD);
``reader``; ``result``; ``meta`` only when properties are present;
``text``; ``reason`` only when ``result`` is negative. The line is compact
JSON with characters outside ASCII written as UTF-8, escaped as the tool
escapes them (quotes, backslashes and control characters only).
"""

from __future__ import annotations

import base64
import codecs
import json
from typing import Any

from ._extract import path_bytes
from ._result import Result, Source


def _each_byte_replaced(error: UnicodeError) -> tuple[str, int]:
    """Every byte of an ill-formed stretch becomes one U+FFFD, as in the tool
    (Python's own "replace" gives one per maximal ill-formed subpart)."""
    if not isinstance(error, UnicodeDecodeError):
        raise error
    return "\ufffd" * (error.end - error.start), error.end


codecs.register_error("idxfilter-each-byte", _each_byte_replaced)


def display_path(path: bytes) -> tuple[str, str | None]:
    """The ``path`` and ``path_base64`` values of a row for these bytes."""
    try:
        return path.decode("utf-8"), None
    except UnicodeDecodeError:
        return (path.decode("utf-8", "idxfilter-each-byte"),
                base64.b64encode(path).decode("ascii"))


def jsonl_row(result: Result, path: Source | None = None) -> dict[str, Any]:
    """The row of ``idxfilter --jsonl`` for ``result`` as a dict (keys in the
    tool's order). ``path`` overrides ``result.path`` (needed for a document
    given as bytes, whose result has none)."""
    source = path if path is not None else result.path
    if source is None:
        raise ValueError("a row needs a path: the result is of a document given as bytes")
    shown, exact = display_path(path_bytes(source))
    row: dict[str, Any] = {"path": shown}
    if exact is not None:
        row["path_base64"] = exact
    row["reader"] = result.reader
    row["result"] = result.units
    if result.meta:
        row["meta"] = dict(result.meta)
    row["text"] = result.text
    if result.units < 0:
        row["reason"] = result.reason or ""
    return row


def jsonl_line(result: Result, path: Source | None = None) -> str:
    """:func:`jsonl_row` as one line of JSON, newline included."""
    return json.dumps(jsonl_row(result, path), ensure_ascii=False, separators=(",", ":")) + "\n"
