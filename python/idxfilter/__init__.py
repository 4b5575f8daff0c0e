"""idxfilter: the text of RTF and plain-text documents, from Python.

A binding over the project's shared library (``libidxfilter.so``)::

    import idxfilter
    result = idxfilter.extract("report.rtf")
    print(result.units, result.meta.get("title"), result.text[:80])
    for r in idxfilter.extract_many(paths, jobs=4):
        ...

:func:`extract` takes a path (``str``, ``bytes`` or ``os.PathLike``) or a
bytes-like document other than ``bytes`` (``bytearray``, ``memoryview``);
:func:`extract_bytes` takes any bytes-like document. Both return a
:class:`Result`. :func:`extract_many` runs many files on threads, results
in order. ``idxfilter.dask`` writes the JSON lines of ``idxfilter --jsonl``
from a Dask cluster.
"""

from __future__ import annotations

from ._extract import extract, extract_bytes
from ._jsonl import jsonl_line, jsonl_line_bytes, jsonl_row
from ._library import LibraryNotFound
from ._many import extract_many
from ._native import LIBRARY_PATH as library_path
from ._result import Result

__all__ = ["Result", "LibraryNotFound", "extract", "extract_bytes", "extract_many", "jsonl_row",
           "jsonl_line", "jsonl_line_bytes", "library_path"]
__version__ = "2.2.0"
