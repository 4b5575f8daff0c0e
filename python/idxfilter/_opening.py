"""Looking at a file before the library reads it, the way the command-line
tool does.

One stat tells what the file is. A regular file that has bytes goes to the
library by its path (the library opens it non-blocking, without taking a
terminal, and reads only regular files). A directory, a device or a socket
is never opened (opening one can block, rewind a tape or take a terminal)
and gets the tool's words for it. A FIFO, or a file whose size reads 0
(most of /proc and /sys, or an empty file), is read here as a stream, as
the tool reads it, and handed over as bytes. Failures are named by this
process's own errno ("missing", "permission denied", ...).

The library is asked first and looks at the file itself (it opens regular
files only); this is the way for the files it could not read or found no
text in, so that the common file costs one system call from Python's side
less: every call releases and takes back the GIL, and on a thread pool each
taking back can wait for another thread.
"""

from __future__ import annotations

import os
import stat
from dataclasses import dataclass

from ._reasons import reason_for_file_type, reason_for_os_error

_READ_FLAGS = os.O_RDONLY | os.O_CLOEXEC | getattr(os, "O_NOCTTY", 0)
_STREAM_CHUNK = 1 << 20


@dataclass(slots=True)
class OpenedInput:
    """One input ready for the library: a path to read, or bytes already read,
    or the reason it cannot be read."""

    path: bytes | None = None
    data: bytes | None = None
    reason: str | None = None

    @property
    def empty(self) -> bool:
        """Known to hold no bytes."""
        return self.data is not None and len(self.data) == 0

    def reason_it_cannot_be_read(self) -> str:
        """Why the library could not read ``path``, told by this process's own
        attempt to open it for reading (the library gives no errno)."""
        try:
            os.close(os.open(self.path or b"", _READ_FLAGS | os.O_NONBLOCK))
        except OSError as error:
            return reason_for_os_error(error)
        return "unreadable"


def _read_stream(path: bytes) -> OpenedInput:
    """Everything the file at ``path`` holds (a FIFO waits for a writer)."""
    try:
        fd = os.open(path, _READ_FLAGS)
    except OSError as error:
        return OpenedInput(reason=reason_for_os_error(error))
    chunks = []
    try:
        while chunk := os.read(fd, _STREAM_CHUNK):
            chunks.append(chunk)
        return OpenedInput(data=b"".join(chunks))
    except OSError as error:
        return OpenedInput(reason=reason_for_os_error(error))
    except MemoryError:
        return OpenedInput(reason="out of memory")
    finally:
        os.close(fd)


def open_input(path: bytes) -> OpenedInput:
    """Prepares the file at ``path`` (links followed) for the library."""
    try:
        status = os.stat(path)
    except OSError as error:
        return OpenedInput(reason=reason_for_os_error(error))
    reason = reason_for_file_type(status.st_mode)
    if reason is not None:
        return OpenedInput(reason=reason)
    if stat.S_ISREG(status.st_mode) and status.st_size > 0:
        return OpenedInput(path=path)
    return _read_stream(path)
