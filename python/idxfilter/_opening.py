"""Opening a file the way the command-line tool does before filtering it.

The file is opened here, so that a failure is named by this process's own
errno ("missing", "permission denied", ...) instead of being guessed from a
later look at the path, and the library is then handed the very file that
was opened, as ``/proc/self/fd/N``. The path is opened with O_PATH, which
finds the file without opening it for reading: devices and sockets are
thereby never opened (opening one can block, rewind a tape or take a
terminal), and a regular file costs one system call less than a stat
before the open. A pipe, a FIFO or a file whose size reads 0 (most of /proc
and /sys) is read here and handed over as bytes.

Without /proc the type is checked with stat and the library reads the path
itself.
"""

from __future__ import annotations

import os
import stat
from dataclasses import dataclass

from ._reasons import reason_for_file_type, reason_for_os_error

_FD_FOLDER = "/proc/self/fd"
_HAVE_FD_FOLDER = os.path.isdir(_FD_FOLDER) and hasattr(os, "O_PATH")
_FIND_FLAGS = getattr(os, "O_PATH", 0) | os.O_CLOEXEC
_READ_FLAGS = os.O_RDONLY | os.O_CLOEXEC | getattr(os, "O_NOCTTY", 0)
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

    def reason_it_cannot_be_read(self) -> str:
        """Why the library could not read ``path``, told by this process's own
        attempt to open it for reading (the library gives no errno)."""
        try:
            os.close(os.open(self.path or b"", _READ_FLAGS | os.O_NONBLOCK))
        except OSError as error:
            return reason_for_os_error(error)
        return "unreadable"

    def close(self) -> None:
        if self.fd >= 0:
            os.close(self.fd)
            self.fd = -1


def _read_stream(path: bytes) -> OpenedInput:
    """Everything the file at ``path`` (a FIFO waits for a writer) holds."""
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


def _open_without_fd_folder(path: bytes) -> OpenedInput:
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


def open_input(path: bytes) -> OpenedInput:
    """Opens the file at ``path`` (links followed) as the tool does."""
    if not _HAVE_FD_FOLDER:
        return _open_without_fd_folder(path)
    try:
        fd = os.open(path, _FIND_FLAGS)
    except OSError as error:
        return OpenedInput(reason=reason_for_os_error(error))
    try:
        status = os.fstat(fd)
    except OSError as error:
        os.close(fd)
        return OpenedInput(reason=reason_for_os_error(error))
    reason = reason_for_file_type(status.st_mode)
    by_descriptor = b"%s/%d" % (_FD_FOLDER.encode(), fd)
    if reason is None and stat.S_ISREG(status.st_mode) and status.st_size > 0:
        return OpenedInput(path=by_descriptor, fd=fd)
    try:
        return OpenedInput(reason=reason) if reason is not None else _read_stream(by_descriptor)
    finally:
        os.close(fd)
