"""One partition's JSON lines, written so that a task run twice leaves one file.

The rows go to a temporary name in the output folder, are flushed to disk
(fsync), and the file is then renamed to ``part-NNNNN.jsonl`` (a rename in
one folder is atomic), and the folder is synced so the rename lasts. A task
that dies half way leaves only its temporary file, never a half partition;
a task that runs again after its worker died replaces the partition whole,
so no row is lost or doubled.
"""

from __future__ import annotations

import os
import uuid
from collections import Counter
from collections.abc import Sequence
from typing import Any

from ._extract import READER_NAMES, deliver_file
from ._jsonl import line_bytes

TEMPORARY_SUFFIX = ".tmp"


def partition_name(index: int) -> str:
    """``part-00000.jsonl`` for partition 0."""
    return f"part-{index:05d}.jsonl"


def is_temporary(name: str) -> bool:
    """A partition file that was being written and never renamed."""
    return name.startswith(".part-") and name.endswith(TEMPORARY_SUFFIX)


def _sync_folder(folder: str) -> None:
    fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
    try:
        os.fsync(fd)
    finally:
        os.close(fd)


def write_partition(index: int, paths: Sequence[bytes], output_dir: str, reader: int,
                    code_page: int) -> dict[str, Any]:
    """Extracts ``paths`` and writes their rows as partition ``index`` of
    ``output_dir``; returns the partition's counts (rows, with text, failed
    by reason)."""
    final = os.path.join(output_dir, partition_name(index))
    temporary = os.path.join(output_dir,
                             f".{partition_name(index)}.{uuid.uuid4().hex}{TEMPORARY_SUFFIX}")
    failed: Counter[str] = Counter()
    with_text = 0
    try:
        with open(temporary, "wb") as out:
            for path in paths:
                # The library's UTF-8 goes into the line as it is: no str between.
                delivered = deliver_file(path, reader, code_page, utf8=True)
                if delivered.units > 0:
                    with_text += 1
                else:
                    failed[delivered.reason or ""] += 1
                assert isinstance(delivered.text, bytes)
                out.write(line_bytes(path, READER_NAMES[reader], delivered.units, delivered.meta,
                                     delivered.text, delivered.reason))
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, final)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise
    _sync_folder(output_dir)
    return {"partition": index, "rows": len(paths), "with_text": with_text,
            "failed": dict(failed)}
