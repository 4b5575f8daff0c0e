"""Opening a file the way the command-line tool does before filtering it.

The file is opened here, so that a failure is named by this process's own
errno ("missing", "permission denied", ...) instead of being guessed from a
later look at the path, and the library is then handed the very file that
was opened, as ``/proc/self/fd/N``. Devices and sockets are never opened
(opening one can block, rewind a tape or take a terminal). A pipe, a FIFO
or a file whose size reads 0 (most of /proc and /sys) is read here and
handed over as bytes.
"""

from __future__ import annotations

import os
import stat
from dataclasses import dataclass

from ._reasons import reason_for_file_type, reason_for_os_error

_FD_FOLDER = "/proc/self/fd"
_HAVE_FD_FOLDER = os.path.isdir(_FD_FOLDER)
_OPEN_FLAGS = os.O_RDONLY | os.O_CLOEXEC | getattr(os, "O_NOCTTY", 0)
_STREAM_CHUNK = 1 << 20


@dataclass(slots=True)
class OpenedInput:
    """One input ready for the library: a path to read, or bytes already read,
    or the reason it cannot be read. ``close()`` releases the descriptor."""

    path: bytes | None = None
    data: bytes | None = None
    reason: str | None = None
    fd: int = -1

    @property
    def empty(self) -> bool:
        """Known to hold no bytes."""
        return self.data is not None and len(self.data) == 0

    def close(self) -> None:
        if self.fd >= 0:
            os.close(self.fd)
            self.fd = -1


def _read_stream(fd: int) -> bytes:
    chunks = []
    while True:
        chunk = os.read(fd, _STREAM_CHUNK)
        if not chunk:
            return b"".join(chunks)
        chunks.append(chunk)


def open_input(path: bytes) -> OpenedInput:
    """Opens the file at ``path`` (links followed) as the tool does."""
    try:
        named = os.stat(path)
    except OSError as error:
        return OpenedInput(reason=reason_for_os_error(error))
    mode = named.st_mode
    if not (stat.S_ISREG(mode) or stat.S_ISFIFO(mode) or stat.S_ISDIR(mode)):
        return OpenedInput(reason=reason_for_file_type(mode))
    try:
        fd = os.open(path, _OPEN_FLAGS)
    except OSError as error:
        return OpenedInput(reason=reason_for_os_error(error))
    try:
        status = os.fstat(fd)
        reason = reason_for_file_type(status.st_mode)
        if reason is not None:
            os.close(fd)
            return OpenedInput(reason=reason)
        if stat.S_ISREG(status.st_mode) and status.st_size > 0:
            if _HAVE_FD_FOLDER:
                return OpenedInput(path=b"%s/%d" % (_FD_FOLDER.encode(), fd), fd=fd)
            os.close(fd)  # no /proc: the library opens the path itself
            return OpenedInput(path=path)
        data = _read_stream(fd)
    except OSError as error:
        os.close(fd)
        return OpenedInput(reason=reason_for_os_error(error))
    except MemoryError:
        os.close(fd)
        return OpenedInput(reason="out of memory")
    os.close(fd)
    return OpenedInput(data=data)
