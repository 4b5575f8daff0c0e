"""One document in, one :class:`Result` out: a file by its path, or bytes."""

from __future__ import annotations

import os
from dataclasses import dataclass
from typing import Any

from . import _native
from ._opening import open_input
from ._options import CodePage, Reader, code_page_number, reader_number
from ._reasons import REASON_BAD_ARGUMENT, REASON_NO_TEXT, REASON_UNREADABLE, reason_for_library
from ._result import Result, Source

READER_NAMES = ("complete", "exact")
_READER_NAMES = READER_NAMES


def path_bytes(source: object) -> bytes:
    """The bytes the file system is given for a path: ``bytes`` as they are,
    ``str`` through :func:`os.fsencode` (so names read with surrogate escapes
    come back as their own bytes), ``os.PathLike`` by what it stands for."""
    if isinstance(source, (str, os.PathLike)):
        source = os.fspath(source)
    if isinstance(source, str):
        encoded = os.fsencode(source)
    elif isinstance(source, bytes):
        encoded = source
    else:
        raise TypeError("a path must be str, bytes or os.PathLike, not " + type(source).__name__)
    if b"\0" in encoded:
        raise ValueError("a path cannot hold a NUL byte (a document held in memory goes to "
                         "idxfilter.extract_bytes)")
    return encoded


_accepted_options: set[tuple[int, int]] = set()


def check_options(reader: int, ansi_code_page: int) -> None:
    """Raises ValueError for options the library refuses (a code page it cannot
    use as ANSI code page), whatever the document: asked of the library once
    per pair, on an empty document."""
    if (reader, ansi_code_page) in _accepted_options:
        return
    if _native.extract_buffer(b"", reader, ansi_code_page).reason == REASON_BAD_ARGUMENT:
        raise ValueError(f"ansi_code_page {ansi_code_page} cannot stand for the ANSI code page "
                         "in this build of the library (today's builds: 874, 932, 936, 949, 950, "
                         "1250 to 1257)")
    _accepted_options.add((reader, ansi_code_page))


@dataclass(slots=True)
class Delivered:
    """One file's outcome before it becomes a Result: the library's result,
    the text (str, or UTF-8 bytes), the properties, why there is no text."""

    units: int
    text: str | bytes
    meta: dict[str, str]
    reason: str | None


def _delivered(extraction: _native.Extraction, empty: bool, reader: int, ansi_code_page: int,
               unreadable: str | None = None) -> Delivered:
    if extraction.units <= 0:
        if extraction.reason == REASON_BAD_ARGUMENT:
            raise ValueError(f"the library refused reader={_READER_NAMES[reader]!r} with "
                             f"ansi_code_page={ansi_code_page}: that code page is not available")
        nothing = b"" if extraction.utf8 else ""
        if extraction.reason == REASON_UNREADABLE and unreadable is not None:
            return Delivered(-1, nothing, {}, unreadable)
        return Delivered(-1, nothing, {}, reason_for_library(extraction.reason, empty))
    return Delivered(extraction.units, extraction.text, dict(extraction.properties or ()), None)


def deliver_file(path: bytes, reader: int, ansi_code_page: int, utf8: bool = False) -> Delivered:
    """The file at ``path`` (checked bytes), looked at as the tool looks at it;
    the text as str, or as UTF-8 bytes with ``utf8``.

    The library is asked first: it reads regular files only, and opens
    nothing else. A file it gave text (or found binary) needs nothing more,
    and that is one foreign call, one release of the GIL. Only when it could
    not read the file, or found no text, is the file looked at here: a FIFO
    or a file whose size reads 0 is read as a stream, and a failure is
    named by this process's own errno."""
    extraction = _native.extract_path(path, reader, ansi_code_page, utf8)
    if extraction.units > 0 or extraction.reason not in (REASON_UNREADABLE, REASON_NO_TEXT):
        return _delivered(extraction, False, reader, ansi_code_page)
    return _deliver_looked_at(path, extraction, reader, ansi_code_page, utf8)


def _deliver_looked_at(path: bytes, first: _native.Extraction, reader: int, ansi_code_page: int,
                       utf8: bool) -> Delivered:
    """``path`` after the library's ``first`` answer gave nothing: a file the
    library reads by its path keeps that answer (it is not read again), and
    its failure is named here."""
    opened = open_input(path)
    if opened.reason is not None:
        return Delivered(-1, b"" if utf8 else "", {}, opened.reason)
    if opened.data is not None:
        extraction = _native.extract_buffer(opened.data, reader, ansi_code_page, utf8)
        return _delivered(extraction, opened.empty, reader, ansi_code_page)
    unreadable = opened.reason_it_cannot_be_read() if first.reason == REASON_UNREADABLE else None
    return _delivered(first, False, reader, ansi_code_page, unreadable)


def _as_result(delivered: Delivered, source: Source | None, reader: int) -> Result:
    assert isinstance(delivered.text, str)
    return Result(delivered.text, delivered.meta, delivered.units, delivered.reason, source,
                  _READER_NAMES[reader])


def extract_file(path: bytes, source: Source | None, reader: int, ansi_code_page: int) -> Result:
    """The file at ``path`` (checked bytes) as a Result naming ``source``."""
    return _as_result(deliver_file(path, reader, ansi_code_page), source, reader)


def extract_document(document: Any, reader: int, ansi_code_page: int) -> Result:
    """A document held in memory, as any object with the buffer protocol."""
    try:
        view = memoryview(document)
    except TypeError:
        raise TypeError("a document must be bytes-like (bytes, bytearray, memoryview, ...), not "
                        + type(document).__name__) from None
    with view:
        if not view.c_contiguous:
            document = view.tobytes()
        extraction = _native.extract_buffer(document, reader, ansi_code_page)
        empty = view.nbytes == 0
    return _as_result(_delivered(extraction, empty, reader, ansi_code_page), None, reader)


def extract(source: Source | bytearray | memoryview, *, reader: Reader = "complete",
            ansi_code_page: CodePage = None) -> Result:
    """Extracts the text of one document.

    ``source`` is a path or a document held in memory. The rule is the one
    of Python's own file functions: ``str``, ``bytes`` and ``os.PathLike``
    are paths (``bytes`` passed to the file system as they are, so names
    that are not UTF-8 work either way); any other bytes-like object
    (``bytearray``, ``memoryview``, ``mmap``, ``array``) is the document
    itself. A document that is a ``bytes`` object goes to
    :func:`extract_bytes`. (``bytes`` are paths because ``os.walk(b"...")``,
    ``os.listdir(b".")`` and :func:`os.fsencode` give names as bytes, and
    the names that are not valid UTF-8 need exactly that; a path is never
    guessed from a document's bytes or the other way round.)

    ``reader``: "complete" reads RTF as today's writers mean it (Unicode
    characters, field results, the document properties in ``meta``) and
    ends lines in LF; "exact" gives byte for byte the text of the
    library's original export ``idx_filter`` (CRLF line ends included).
    ``ansi_code_page``: the code page that stands for the system's ANSI
    code page (for plain 8-bit text and RTF's ``\\ansi``): None keeps the
    library's (1252), an int names one, "guess" lets the complete reader
    guess a legacy 8-bit text's code page.

    A document that gives no text is not an error: the result's ``reason``
    says why. Arguments of the wrong type raise TypeError; an unknown
    reader, a code page out of range, or a path holding a NUL byte raise
    ValueError.
    """
    reader_value = reader_number(reader)
    code_page = code_page_number(ansi_code_page, reader_value)
    check_options(reader_value, code_page)
    if isinstance(source, (str, bytes, os.PathLike)):
        return extract_file(path_bytes(source), source, reader_value, code_page)
    return extract_document(source, reader_value, code_page)


def extract_bytes(document: Any, *, reader: Reader = "complete",
                  ansi_code_page: CodePage = None) -> Result:
    """Extracts the text of a document held in memory: ``bytes`` or any other
    bytes-like object, encoded as the file would be. Options as for
    :func:`extract`; the result's ``path`` is None."""
    reader_value = reader_number(reader)
    code_page = code_page_number(ansi_code_page, reader_value)
    check_options(reader_value, code_page)
    if isinstance(document, str):
        raise TypeError("a document must be bytes-like, not str (a path goes to idxfilter.extract)")
    return extract_document(document, reader_value, code_page)
