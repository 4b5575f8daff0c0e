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
from dataclasses import dataclass, field
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
    UTF-8 text (empty when none) and the properties in the order lent."""

    units: int = -1
    reason: int = 0
    text: bytes = b""
    properties: list[tuple[str, str]] = field(default_factory=list)
    error: BaseException | None = None


_collectors: dict[int, Extraction] = {}
_keys = itertools.count(1)


def _copy_text(text: int | None, length: int, user: int | None) -> None:
    collector = _collectors.get(user or 0)
    if collector is None:
        return
    try:
        collector.text = ctypes.string_at(text, length) if length else b""
    except BaseException as error:  # noqa: BLE001 - nothing may cross into C
        collector.error = error


def _copy_property(name: bytes | None, value: int | None, length: int, user: int | None) -> None:
    collector = _collectors.get(user or 0)
    if collector is None:
        return
    try:
        word = (name or b"").decode("utf-8")
        collector.properties.append(
            (word, ctypes.string_at(value, length).decode("utf-8") if length else ""))
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

_options_cache: dict[tuple[int, int], _Options] = {}


def _options(reader: int, ansi_code_page: int) -> _Options:
    """The options struct for these values (read-only to the library, so shared)."""
    key = (reader, ansi_code_page)
    options = _options_cache.get(key)
    if options is None:
        options = _Options(ctypes.sizeof(_Options), reader, ansi_code_page)
        _options_cache[key] = options
    return options


def _call(function: Any, arguments: tuple[Any, ...], reader: int, ansi_code_page: int) -> Extraction:
    collector = Extraction()
    key = next(_keys)
    _collectors[key] = collector
    reason = ctypes.c_int(0)
    try:
        collector.units = function(*arguments, ctypes.byref(_options(reader, ansi_code_page)),
                                   _text_sink, _property_sink, key, ctypes.byref(reason))
    finally:
        del _collectors[key]
    collector.reason = reason.value
    if collector.error is not None:
        raise collector.error
    return collector


def extract_path(path: bytes, reader: int, ansi_code_page: int) -> Extraction:
    """``idx_extract_path`` on ``path`` (bytes without NUL)."""
    return _call(_extract_path, (path,), reader, ansi_code_page)


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


def extract_buffer(document: Any, reader: int, ansi_code_page: int) -> Extraction:
    """``idx_extract_bytes`` on an object with the buffer protocol, C-contiguous
    (the caller makes other layouts contiguous first)."""
    if isinstance(document, bytes):
        return _call(_extract_bytes, (document, len(document)), reader, ansi_code_page)
    view = _Buffer()
    if _get_buffer(document, ctypes.byref(view), _PYBUF_SIMPLE) != 0:  # raises BufferError
        raise BufferError("the document's buffer cannot be read as contiguous bytes")
    try:
        # An empty document is still passed by a pointer that is not null.
        data = view.buf if view.len > 0 else b""
        return _call(_extract_bytes, (data, view.len), reader, ansi_code_page)
    finally:
        _release_buffer(ctypes.byref(view))
