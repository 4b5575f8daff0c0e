"""Partitions as tasks on a Dask cluster: submitted a window at a time, their
outcomes collected as they finish, the run stopped on the first failure."""

from __future__ import annotations

import os
import time
from collections.abc import Iterator
from typing import Any

from ._cluster import ClusterError, Connection, worker_threads
from ._partition_file import write_partition

_POLL_SECONDS = 0.5


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


def _check_client(client: Any, unreachable_since: float | None, now: float,
                  lost_scheduler_timeout: float) -> float | None:
    """Raises ClusterError once the client has lost its scheduler for good
    (closed, or reconnecting for longer than the timeout); returns since when
    it has been without one (None: it has one)."""
    if client.status == "running":
        return None
    since = unreachable_since or now
    if client.status in ("closing", "closed") or now - since > lost_scheduler_timeout:
        raise ClusterError(f"lost the Dask scheduler (client {client.status})")
    return since


def run_partitions(connection: Connection, partitions: Iterator[list[bytes]], folder: str,
                   reader: int, code_page: int, timeout: float | None,
                   lost_scheduler_timeout: float) -> list[dict[str, Any]]:
    """Runs write_partition on every partition, at most a few per worker
    thread at a time, and returns their outcomes (in no particular order)."""
    client = connection.client
    window = 4 * worker_threads(client) + 2
    deadline = None if timeout is None else time.monotonic() + timeout
    run_id = os.urandom(6).hex()
    pending: set[Any] = set()
    outcomes: list[dict[str, Any]] = []
    submitted = index = 0
    unreachable_since: float | None = None
    try:
        while True:
            while len(pending) < window and (batch := next(partitions, None)) is not None:
                pending.add(client.submit(write_partition, index, batch, folder, reader, code_page,
                                          key=f"idxfilter-partition-{run_id}-{index}", pure=False,
                                          retries=1))
                index += 1
                submitted += len(batch)
            if not pending:
                break
            _collect(pending, outcomes, lost_scheduler_timeout)
            now = time.monotonic()
            unreachable_since = _check_client(client, unreachable_since, now,
                                              lost_scheduler_timeout)
            if deadline is not None and now > deadline:
                raise ClusterError(f"the extraction did not finish within {timeout:g} s")
    except BaseException:
        _cancel_quietly(client, pending)
        raise
    rows = sum(outcome["rows"] for outcome in outcomes)
    if rows != submitted:
        raise ClusterError(f"{submitted} paths were given and {rows} rows written")
    return outcomes


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


