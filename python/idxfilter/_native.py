"""The ctypes binding of ``idx_extract_path`` and ``idx_extract_bytes``.

Each call lends the text (and the document properties before it) to two
callbacks that copy them into a collector. The callbacks are made once, at
import; a call finds its collector by the number passed as the library's
``user`` pointer. Nothing a callback does can raise into the library: an
exception is kept in the collector and raised once the call has returned.

ctypes releases the GIL for the length of each foreign call, so calls on
several threads run at once (the library keeps no state between calls).
"""

from __future__ import annotations

import ctypes
import itertools
from dataclasses import dataclass
from typing import Any

from ._library import load_library

_library, LIBRARY_PATH = load_library()

_TextSink = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_size_t, ctypes.c_void_p)
_PropertySink = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p, ctypes.c_size_t,
                                 ctypes.c_void_p)


class _Options(ctypes.Structure):
    _fields_ = [("struct_size", ctypes.c_uint32),
                ("reader", ctypes.c_uint32),
                ("ansi_code_page", ctypes.c_uint32)]


@dataclass(slots=True)
class Extraction:
    """What one call delivered: the library's result and reason code, the
    text (empty when none; str, or its UTF-8 bytes when ``utf8`` was asked
    for) and the properties in the order lent."""

    utf8: bool = False
    units: int = -1
    reason: int = 0
    text: str | bytes = ""
    properties: list[tuple[str, str]] | None = None
    error: BaseException | None = None


# The text is decoded straight from the library's buffer (strictly: the
# library promises valid UTF-8), without a bytes copy in between. The
# callback holds the GIL, as a PyDLL call needs.
_decode_utf8 = ctypes.pythonapi.PyUnicode_DecodeUTF8
_decode_utf8.argtypes = [ctypes.c_void_p, ctypes.c_ssize_t, ctypes.c_char_p]
_decode_utf8.restype = ctypes.py_object

_collectors: dict[int, Extraction] = {}
_keys = itertools.count(1)


def _copy_text(text: int | None, length: int, user: int | None) -> None:
    collector = _collectors.get(user or 0)
    if collector is None:
        return
    try:
        if collector.utf8:
            collector.text = ctypes.string_at(text, length) if length else b""
        else:
            collector.text = _decode_utf8(text, length, None) if length else ""
    except BaseException as error:  # noqa: BLE001 - nothing may cross into C
        collector.error = error


def _copy_property(name: bytes | None, value: int | None, length: int, user: int | None) -> None:
    collector = _collectors.get(user or 0)
    if collector is None:
        return
    try:
        word = (name or b"").decode("utf-8")
        if collector.properties is None:
            collector.properties = []
        collector.properties.append(
            (word, _decode_utf8(value, length, None) if length else ""))
    except BaseException as error:  # noqa: BLE001 - nothing may cross into C
        collector.error = error


# Kept alive for as long as the module: the library calls them.
_text_sink = _TextSink(_copy_text)
_property_sink = _PropertySink(_copy_property)

_extract_path = _library.idx_extract_path
_extract_path.restype = ctypes.c_int64
_extract_path.argtypes = [ctypes.c_char_p, ctypes.POINTER(_Options), _TextSink, _PropertySink,
                          ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]

_extract_bytes = _library.idx_extract_bytes
_extract_bytes.restype = ctypes.c_int64
_extract_bytes.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.POINTER(_Options), _TextSink,
                           _PropertySink, ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]

_options_cache: dict[tuple[int, int], Any] = {}


def _options(reader: int, ansi_code_page: int) -> Any:
    """A pointer to the options struct for these values (read-only to the
    library, so one per pair serves every call on every thread)."""
    key = (reader, ansi_code_page)
    options = _options_cache.get(key)
    if options is None:
        options = ctypes.pointer(_Options(ctypes.sizeof(_Options), reader, ansi_code_page))
        _options_cache[key] = options
    return options


def _finished(collector: Extraction, key: int, units: int, reason: Any) -> Extraction:
    del _collectors[key]
    collector.units = units
    collector.reason = reason.value
    if collector.error is not None:
        raise collector.error
    return collector


def extract_path(path: bytes, reader: int, ansi_code_page: int, utf8: bool = False) -> Extraction:
    """``idx_extract_path`` on ``path`` (bytes without NUL); the text as str,
    or as the library's UTF-8 bytes with ``utf8``."""
    collector = Extraction(utf8)
    key = next(_keys)
    _collectors[key] = collector
    reason = ctypes.c_int(0)
    try:
        units = _extract_path(path, _options(reader, ansi_code_page), _text_sink, _property_sink,
                              key, ctypes.byref(reason))
    except BaseException:
        del _collectors[key]
        raise
    return _finished(collector, key, units, reason)


def _extract_bytes_at(data: Any, size: int, reader: int, ansi_code_page: int,
                      utf8: bool) -> Extraction:
    collector = Extraction(utf8)
    key = next(_keys)
    _collectors[key] = collector
    reason = ctypes.c_int(0)
    try:
        units = _extract_bytes(data, size, _options(reader, ansi_code_page), _text_sink,
                               _property_sink, key, ctypes.byref(reason))
    except BaseException:
        del _collectors[key]
        raise
    return _finished(collector, key, units, reason)


class _Buffer(ctypes.Structure):
    """Py_buffer, to hand the library any contiguous buffer without a copy."""

    _fields_ = [("buf", ctypes.c_void_p), ("obj", ctypes.c_void_p), ("len", ctypes.c_ssize_t),
                ("itemsize", ctypes.c_ssize_t), ("readonly", ctypes.c_int), ("ndim", ctypes.c_int),
                ("format", ctypes.c_char_p), ("shape", ctypes.c_void_p),
                ("strides", ctypes.c_void_p), ("suboffsets", ctypes.c_void_p),
                ("internal", ctypes.c_void_p)]


_get_buffer = ctypes.pythonapi.PyObject_GetBuffer
_get_buffer.argtypes = [ctypes.py_object, ctypes.POINTER(_Buffer), ctypes.c_int]
_get_buffer.restype = ctypes.c_int
_release_buffer = ctypes.pythonapi.PyBuffer_Release
_release_buffer.argtypes = [ctypes.POINTER(_Buffer)]
_release_buffer.restype = None
_PYBUF_SIMPLE = 0  # contiguous bytes, read-only allowed


def extract_buffer(document: Any, reader: int, ansi_code_page: int,
                   utf8: bool = False) -> Extraction:
    """``idx_extract_bytes`` on an object with the buffer protocol, C-contiguous
    (the caller makes other layouts contiguous first)."""
    if isinstance(document, bytes):
        return _extract_bytes_at(document, len(document), reader, ansi_code_page, utf8)
    view = _Buffer()
    if _get_buffer(document, ctypes.byref(view), _PYBUF_SIMPLE) != 0:  # raises BufferError
        raise BufferError("the document's buffer cannot be read as contiguous bytes")
    try:
        # An empty document is still passed by a pointer that is not null.
        data = view.buf if view.len > 0 else b""
        return _extract_bytes_at(data, view.len, reader, ansi_code_page, utf8)
    finally:
        _release_buffer(ctypes.byref(view))
