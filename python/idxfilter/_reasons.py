"""Why a file or document gave no text, in the command-line tool's words.

The words are those ``idxfilter`` prints on standard error and writes as
the ``reason`` of ``--jsonl`` rows, so that a row made here equals the
tool's row for the same file.
"""

from __future__ import annotations

import errno
import os
import stat

# enum idx_reason of include/idxfilter.h
REASON_NONE = 0
REASON_NO_TEXT = 1
REASON_UNREADABLE = 2
REASON_BINARY = 3
REASON_OUT_OF_MEMORY = 4
REASON_TOO_LARGE = 5
REASON_BAD_ARGUMENT = 6
REASON_FAILED = 7

_LIBRARY_WORDS = {
    REASON_UNREADABLE: "unreadable",
    REASON_BINARY: "binary",
    REASON_OUT_OF_MEMORY: "out of memory",
    REASON_TOO_LARGE: "too large",
    REASON_FAILED: "filter error",
}

_ERRNO_WORDS = {
    errno.ENOENT: "missing",
    errno.ENOTDIR: "missing",  # a component of the path is not a folder
    errno.EACCES: "permission denied",
    errno.EPERM: "permission denied",
    errno.ELOOP: "link loop",
    errno.EISDIR: "a directory",
    errno.ENXIO: "not a regular file",  # a socket, or a device that is not there
    errno.ENODEV: "not a regular file",
    errno.ENOMEM: "out of memory",
    errno.ENOSPC: "out of memory",
    errno.EMFILE: "too many open files",
    errno.ENFILE: "too many open files",
    errno.ENAMETOOLONG: "name too long",
}


def reason_for_library(code: int, empty: bool) -> str:
    """The words for the library's ``enum idx_reason`` on a document that held
    no bytes (``empty``) or some."""
    if code == REASON_NO_TEXT or code not in _LIBRARY_WORDS:
        return "empty" if empty else "no text"
    return _LIBRARY_WORDS[code]


def reason_for_os_error(error: OSError) -> str:
    """The words for an open, stat or read of the file that failed."""
    code = error.errno
    if code is None:
        return "unreadable"
    return _ERRNO_WORDS.get(code) or f"unreadable ({os.strerror(code)})"


def reason_for_file_type(mode: int) -> str | None:
    """Why a file of this type is not read ("a directory", "not a regular
    file"), or None for regular files and FIFOs."""
    if stat.S_ISDIR(mode):
        return "a directory"
    if stat.S_ISREG(mode) or stat.S_ISFIFO(mode):
        return None
    return "not a regular file"
