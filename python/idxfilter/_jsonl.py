"""Rows of ``idxfilter --jsonl``: one JSON object per file.

Keys in this order: ``path``; ``path_base64`` only when the path's bytes
are not valid UTF-8 (``path`` then shows each ill-formed byte as U+FFFD);
``reader``; ``result``; ``meta`` only when properties are present;
``text``; ``reason`` only when ``result`` is negative. The line is compact
JSON with characters outside ASCII written as UTF-8, escaped as the tool
escapes them: quotes, backslashes and control characters only, \\b \\f \\n
\\r \\t by their short forms, the other controls as \\u00xx.

The text is escaped in its UTF-8 bytes, where none of those characters can
be part of a longer sequence: a few byte replacements run at memory speed,
several times faster than the json module's escaping of a long str.
"""

from __future__ import annotations

import base64
import codecs
import re
from typing import Any

from ._extract import path_bytes
from ._result import Result, Source

_SHORT_ESCAPES = [(b"\\", b"\\\\"), (b'"', b'\\"'), (b"\n", b"\\n"), (b"\r", b"\\r"),
                  (b"\t", b"\\t"), (b"\b", b"\\b"), (b"\f", b"\\f")]
_OTHER_CONTROLS = bytes(c for c in range(0x20) if c not in b"\n\r\t\b\f")
_NOT_OTHER_CONTROLS = bytes(c for c in range(256) if c not in _OTHER_CONTROLS)
_OTHER_CONTROL = re.compile(b"[" + re.escape(_OTHER_CONTROLS) + b"]")


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


def json_utf8(data: bytes) -> bytes:
    """UTF-8 text as a JSON string, quotes included, escaped as the tool
    escapes it."""
    for plain, escaped in _SHORT_ESCAPES:
        if plain in data:
            data = data.replace(plain, escaped)
    if data.translate(None, _NOT_OTHER_CONTROLS):
        data = _OTHER_CONTROL.sub(lambda m: b"\\u%04x" % m.group()[0], data)
    return b'"' + data + b'"'


def json_string(text: str) -> bytes:
    """``text`` as a JSON string in UTF-8 (see :func:`json_utf8`)."""
    return json_utf8(text.encode("utf-8"))


def line_bytes(path: bytes, reader: str, units: int, meta: dict[str, str], text_utf8: bytes,
               reason: str | None) -> bytes:
    """The tool's line for a file at ``path`` whose text is ``text_utf8``."""
    shown, exact = display_path(path)
    parts = [b'{"path":', json_string(shown)]
    if exact is not None:
        parts += [b',"path_base64":"', exact.encode("ascii"), b'"']
    parts += [b',"reader":', json_string(reader), b',"result":', b"%d" % units]
    if meta:
        parts += [b',"meta":{', b",".join(json_string(name) + b":" + json_string(value)
                                         for name, value in meta.items()), b"}"]
    parts += [b',"text":', json_utf8(text_utf8)]
    if units < 0:
        parts += [b',"reason":', json_string(reason or "")]
    parts.append(b"}\n")
    return b"".join(parts)


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


def jsonl_line_bytes(result: Result, path: Source | None = None) -> bytes:
    """:func:`jsonl_row` as one line of JSON in UTF-8, newline included, the
    bytes the tool writes for the same file."""
    source = path if path is not None else result.path
    if source is None:
        raise ValueError("a row needs a path: the result is of a document given as bytes")
    return line_bytes(path_bytes(source), result.reader, result.units, result.meta,
                      result.text.encode("utf-8"), result.reason)


def jsonl_line(result: Result, path: Source | None = None) -> str:
    """:func:`jsonl_line_bytes` as a str."""
    return jsonl_line_bytes(result, path).decode("utf-8")
