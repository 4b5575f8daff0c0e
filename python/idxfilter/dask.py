"""The extraction as tasks on a Dask cluster, written as JSON lines.

:func:`extract_to_jsonl` splits a list of paths into partitions, runs one
task per partition on a ``distributed.Client`` and has each task write
``part-NNNNN.jsonl`` into the output folder: the rows of
``idxfilter --jsonl`` for those files, in their order. Then it writes
``manifest.json`` with the counts. The folder must be one that the workers
and this process all see (a local folder for a local cluster, a shared
file system for a real one), and the paths must name the files as the
workers see them. Every worker needs this package and the library.

Without a client, a local cluster of worker processes (one per core, one
thread each) is started for the call and closed after it. A scheduler that
cannot be reached, a client that is closed, a scheduler that goes away or
a partition that keeps failing raise :class:`ClusterError`; nothing waits
for ever.
"""

from __future__ import annotations

import asyncio
import itertools
import json
import os
from collections import Counter
from collections.abc import Iterable, Iterator
from concurrent.futures import CancelledError
from typing import Any

from ._cluster import ClusterError, Connection
from ._extract import check_options, path_bytes
from ._many import check_path_list
from ._options import CodePage, Reader, code_page_number, reader_number
from ._partition_file import is_temporary, partition_name
from ._partition_tasks import run_partitions
from ._result import Source

MANIFEST = "manifest.json"
DEFAULT_PARTITION_SIZE = 1000


def _partitions(paths: Iterable[Source], size: int) -> Iterator[list[bytes]]:
    iterator = iter(paths)
    while True:
        batch = [path_bytes(source) for source in itertools.islice(iterator, size)]
        if not batch:
            return
        yield batch


def _prepare_folder(output_dir: str | os.PathLike[str], overwrite: bool) -> str:
    folder = os.path.abspath(os.fspath(output_dir))
    os.makedirs(folder, exist_ok=True)
    earlier = [name for name in os.listdir(folder)
               if name == MANIFEST or (name.startswith("part-") and name.endswith(".jsonl"))
               or is_temporary(name)]
    if earlier and not overwrite:
        raise FileExistsError(f"{folder} already holds the output of a run ({sorted(earlier)[0]}, "
                              "...): pass overwrite=True to replace it")
    for name in earlier:
        os.unlink(os.path.join(folder, name))
    return folder


def _write_manifest(folder: str, manifest: dict[str, Any]) -> None:
    temporary = os.path.join(folder, f".{MANIFEST}.tmp")
    with open(temporary, "w", encoding="utf-8") as out:
        json.dump(manifest, out, indent=2, sort_keys=False)
        out.write("\n")
        out.flush()
        os.fsync(out.fileno())
    os.replace(temporary, os.path.join(folder, MANIFEST))


def _remove_temporaries(folder: str) -> None:
    for name in os.listdir(folder):
        if is_temporary(name):
            try:
                os.unlink(os.path.join(folder, name))
            except FileNotFoundError:
                pass


def extract_to_jsonl(paths: Iterable[Source], output_dir: str | os.PathLike[str], *,
                     client: Any = None, partition_size: int = DEFAULT_PARTITION_SIZE,
                     reader: Reader = "complete", ansi_code_page: CodePage = None,
                     overwrite: bool = False, timeout: float | None = None,
                     connect_timeout: float = 30.0) -> dict[str, Any]:
    """Extracts the files at ``paths`` on a Dask cluster into JSON lines.

    ``client``: None (a local cluster of worker processes for this call), a
    scheduler's address ("tcp://host:8786"), or a ``distributed.Client``
    (left open). ``partition_size`` paths make one task and one file
    ``part-NNNNN.jsonl`` in ``output_dir``, whose rows are those of
    ``idxfilter --jsonl`` for the same paths in the same order (with the
    reader's name; the paths as given, so give them as the workers see
    them). ``reader`` and ``ansi_code_page`` as for
    :func:`idxfilter.extract`. ``output_dir`` is made if missing; if it
    already holds a run's output, FileExistsError unless ``overwrite``.
    ``timeout`` bounds the whole run, ``connect_timeout`` the connection to
    a scheduler and the wait for one that went away.

    Returns the manifest, also written to ``output_dir/manifest.json``:
    ``files``, ``rows``, ``with_text``, ``failed`` (counts by reason),
    ``partitions``, ``partition_size``, ``reader`` and ``parts`` (the file
    names in order). Raises :class:`ClusterError` when the cluster cannot
    finish the run.
    """
    check_path_list(paths)
    reader_value = reader_number(reader)
    code_page = code_page_number(ansi_code_page, reader_value)
    check_options(reader_value, code_page)
    if isinstance(partition_size, bool) or not isinstance(partition_size, int):
        raise TypeError("partition_size must be an int")
    if partition_size < 1:
        raise ValueError(f"partition_size must be at least 1, not {partition_size}")
    folder = _prepare_folder(output_dir, overwrite)
    connection = Connection(client, connect_timeout)
    try:
        outcomes = run_partitions(connection, _partitions(paths, partition_size), folder,
                                  reader_value, code_page, timeout, connect_timeout)
    except (OSError, TimeoutError) as error:
        raise ClusterError(f"lost the Dask scheduler during the run: {error}") from error
    except (CancelledError, asyncio.CancelledError) as error:
        raise ClusterError("lost the Dask scheduler during the run: its tasks were "
                           "cancelled") from error
    finally:
        connection.close()
    _remove_temporaries(folder)
    outcomes.sort(key=lambda outcome: outcome["partition"])
    failed: Counter[str] = Counter()
    for outcome in outcomes:
        failed.update(outcome["failed"])
    rows = sum(outcome["rows"] for outcome in outcomes)
    manifest = {
        "files": rows,  # checked equal to the number of paths given
        "rows": rows,
        "with_text": sum(outcome["with_text"] for outcome in outcomes),
        "failed": dict(sorted(failed.items())),
        "partitions": len(outcomes),
        "partition_size": partition_size,
        "reader": ("complete", "exact")[reader_value],
        "parts": [partition_name(outcome["partition"]) for outcome in outcomes],
    }
    _write_manifest(folder, manifest)
    return manifest
