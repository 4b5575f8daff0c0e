"""The ctypes binding of ``idx_extract_path_owned`` and ``idx_extract_bytes_owned``.

Each call hands over the text and the document properties in one block,
which is decoded here and freed. The GIL is released for the whole foreign
call and taken back once, when it returns: nothing is called back into
Python from the library's side, so calls on several threads run at once
(the library keeps no state between calls) and a thread's reading never
waits for another thread's Python code.
"""

from __future__ import annotations

import ctypes
import threading
from dataclasses import dataclass
from typing import Any

from ._library import load_library

_library, LIBRARY_PATH = load_library()


class _Options(ctypes.Structure):
    _fields_ = [("struct_size", ctypes.c_uint32),
                ("reader", ctypes.c_uint32),
                ("ansi_code_page", ctypes.c_uint32)]


class _Property(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p),
                ("value", ctypes.c_void_p),
                ("length", ctypes.c_size_t)]


class _Document(ctypes.Structure):
    _fields_ = [("text", ctypes.c_void_p),
                ("length", ctypes.c_size_t),
                ("properties", ctypes.POINTER(_Property)),
                ("property_count", ctypes.c_size_t),
                ("block", ctypes.c_void_p)]


@dataclass(slots=True)
class Extraction:
    """What one call delivered: the library's result and reason code, the
    text (empty when none; str, or its UTF-8 bytes when ``utf8`` was asked
    for) and the properties in the library's order."""

    utf8: bool = False
    units: int = -1
    reason: int = 0
    text: str | bytes = ""
    properties: list[tuple[str, str]] | None = None


# The text is decoded straight from the library's block (strictly: the
# library promises valid UTF-8), without a bytes copy in between.
_decode_utf8 = ctypes.pythonapi.PyUnicode_DecodeUTF8
_decode_utf8.argtypes = [ctypes.c_void_p, ctypes.c_ssize_t, ctypes.c_char_p]
_decode_utf8.restype = ctypes.py_object

_extract_path = _library.idx_extract_path_owned
_extract_path.restype = ctypes.c_int64
_extract_path.argtypes = [ctypes.c_char_p, ctypes.POINTER(_Options), ctypes.POINTER(_Document),
                          ctypes.POINTER(ctypes.c_int)]

_extract_bytes = _library.idx_extract_bytes_owned
_extract_bytes.restype = ctypes.c_int64
_extract_bytes.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.POINTER(_Options),
                           ctypes.POINTER(_Document), ctypes.POINTER(ctypes.c_int)]

_free_document = _library.idx_free_document
_free_document.restype = None
_free_document.argtypes = [ctypes.POINTER(_Document)]


class _CallSpace(threading.local):
    """The document and reason a thread's calls write into, made once per
    thread (a structure and two pointers to it cost more than the call
    around a small file)."""

    def __init__(self) -> None:
        self.document = _Document()
        self.reason = ctypes.c_int(0)
        self.document_pointer = ctypes.pointer(self.document)
        self.reason_pointer = ctypes.pointer(self.reason)


_space = _CallSpace()


def _taken(units: int, utf8: bool) -> Extraction:
    """The Extraction of the call just made on this thread; frees its block."""
    space = _space
    document = space.document
    result = Extraction(utf8, units, space.reason.value)
    if units < 0:
        return result
    try:
        if document.property_count:
            result.properties = [
                (p.name.decode("utf-8"), _decode_utf8(p.value, p.length, None) if p.length else "")
                for p in document.properties[:document.property_count]]
        if document.length:
            result.text = (ctypes.string_at(document.text, document.length) if utf8
                           else _decode_utf8(document.text, document.length, None))
        elif utf8:
            result.text = b""
    finally:
        _free_document(space.document_pointer)
    return result


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


def extract_path(path: bytes, reader: int, ansi_code_page: int, utf8: bool = False) -> Extraction:
    """``idx_extract_path_owned`` on ``path`` (bytes without NUL); the text as
    str, or as the library's UTF-8 bytes with ``utf8``."""
    space = _space
    units = _extract_path(path, _options(reader, ansi_code_page), space.document_pointer,
                          space.reason_pointer)
    return _taken(units, utf8)


def _extract_bytes_at(data: Any, size: int, reader: int, ansi_code_page: int,
                      utf8: bool) -> Extraction:
    space = _space
    units = _extract_bytes(data, size, _options(reader, ansi_code_page), space.document_pointer,
                           space.reason_pointer)
    return _taken(units, utf8)


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
