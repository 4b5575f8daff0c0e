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
import time
from collections import Counter
from concurrent.futures import CancelledError
from collections.abc import Iterable, Iterator
from typing import Any

from ._extract import path_bytes
from ._many import default_jobs
from ._options import CodePage, Reader, code_page_number, reader_number
from ._partition_file import is_temporary, partition_name, write_partition
from ._result import Source

MANIFEST = "manifest.json"
DEFAULT_PARTITION_SIZE = 1000
_POLL_SECONDS = 0.5


class ClusterError(RuntimeError):
    """The cluster could not run the extraction: no scheduler, a closed client,
    a scheduler lost during the run, or a partition that kept failing."""


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


class _Connection:
    """The client to use, and what to close afterwards."""

    def __init__(self, client: Any, connect_timeout: float) -> None:
        import distributed

        self.cluster: Any = None
        self.owned = False
        self.connect_timeout = connect_timeout
        if client is None:
            self.cluster = distributed.LocalCluster(
                n_workers=default_jobs(), threads_per_worker=1, processes=True,
                dashboard_address="127.0.0.1:0")
            self.client = distributed.Client(self.cluster, timeout=connect_timeout)
            self.owned = True
        elif isinstance(client, str):
            try:
                self.client = distributed.Client(client, timeout=connect_timeout)
            except (OSError, TimeoutError) as error:
                raise ClusterError(f"no Dask scheduler answered at {client} within "
                                   f"{connect_timeout:g} s: {error}") from error
            self.owned = True
        elif isinstance(client, distributed.Client):
            if client.status != "running":
                raise ClusterError(f"the Dask client is {client.status}, not running")
            self.client = client
        else:
            raise TypeError("client must be None, a scheduler address or a distributed.Client, "
                            "not " + type(client).__name__)

    def close(self) -> None:
        try:
            if self.owned:
                self.client.close(timeout=self.connect_timeout)
            if self.cluster is not None:
                self.cluster.close(timeout=self.connect_timeout)
        except Exception:  # noqa: BLE001 - a scheduler that is gone cannot be told
            pass


def _worker_threads(client: Any) -> int:
    try:
        workers = client.scheduler_info().get("workers", {})
        return max(1, sum(int(w.get("nthreads", 1)) for w in workers.values()))
    except Exception:  # noqa: BLE001 - only sizes the window of tasks in flight
        return 1


def _partition_number(future: Any) -> str:
    return str(future.key).rsplit("-", 1)[1]


def _collect(pending: set[Any], outcomes: list[dict[str, Any]], result_timeout: float) -> None:
    """Waits a moment for a partition to finish and takes the outcomes of
    those that did. A partition whose result was lost with its worker stays
    pending: the scheduler runs it again (its file is replaced whole)."""
    import distributed

    waiting = [future for future in pending if future.status != "lost"]
    if not waiting:
        time.sleep(_POLL_SECONDS)
        return
    try:
        done, _ = distributed.wait(waiting, timeout=_POLL_SECONDS, return_when="FIRST_COMPLETED")
    except distributed.TimeoutError:
        return
    for future in done:
        if future.status == "finished":
            try:
                outcome = future.result(timeout=result_timeout)
            except distributed.TimeoutError:
                continue  # its worker went away with it: run again, collected later
            pending.discard(future)
            outcomes.append(outcome)
        elif future.status == "error":
            error = future.exception()
            raise ClusterError(f"partition {_partition_number(future)} failed: "
                               f"{type(error).__name__}: {error}") from error
        elif future.status == "cancelled":
            raise ClusterError(f"partition {_partition_number(future)} was cancelled: "
                               "the scheduler may have gone away")


def _run(connection: _Connection, partitions: Iterator[list[bytes]], folder: str, reader: int,
         code_page: int, timeout: float | None, lost_scheduler_timeout: float) -> list[dict[str, Any]]:
    import distributed

    client = connection.client
    window = 4 * _worker_threads(client) + 2
    deadline = None if timeout is None else time.monotonic() + timeout
    run_id = os.urandom(6).hex()
    pending: set[Any] = set()
    outcomes: list[dict[str, Any]] = []
    index = 0
    submitted = 0
    exhausted = False
    unreachable_since: float | None = None
    try:
        while True:
            while not exhausted and len(pending) < window:
                batch = next(partitions, None)
                if batch is None:
                    exhausted = True
                    break
                pending.add(client.submit(write_partition, index, batch, folder, reader, code_page,
                                          key=f"idxfilter-partition-{run_id}-{index}", pure=False,
                                          retries=1))
                index += 1
                submitted += len(batch)
            if not pending:
                rows = sum(outcome["rows"] for outcome in outcomes)
                if rows != submitted:
                    raise ClusterError(f"{submitted} paths were given and {rows} rows written")
                return outcomes
            _collect(pending, outcomes, lost_scheduler_timeout)
            now = time.monotonic()
            if client.status != "running":
                unreachable_since = unreachable_since or now
                if client.status in ("closing", "closed") or \
                        now - unreachable_since > lost_scheduler_timeout:
                    raise ClusterError(f"lost the Dask scheduler (client {client.status})")
            else:
                unreachable_since = None
            if deadline is not None and now > deadline:
                raise ClusterError(f"the extraction did not finish within {timeout:g} s")
    except BaseException:
        _cancel_quietly(client, pending)
        raise


def _cancel_quietly(client: Any, futures: set[Any]) -> None:
    """Cancels what is still pending, in one call, while the scheduler is
    there to hear it (on a lost scheduler each call would wait out the
    connection timeout)."""
    if not futures or client.status != "running":
        return
    try:
        client.cancel(list(futures))
    except Exception:  # noqa: BLE001 - the run has failed already; its error is raised
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
    reader_value = reader_number(reader)
    code_page = code_page_number(ansi_code_page, reader_value)
    if isinstance(partition_size, bool) or not isinstance(partition_size, int):
        raise TypeError("partition_size must be an int")
    if partition_size < 1:
        raise ValueError(f"partition_size must be at least 1, not {partition_size}")
    folder = _prepare_folder(output_dir, overwrite)
    connection = _Connection(client, connect_timeout)
    try:
        outcomes = _run(connection, _partitions(paths, partition_size), folder, reader_value,
                        code_page, timeout, connect_timeout)
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
