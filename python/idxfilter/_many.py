"""Many files on a pool of threads, results in the order of the paths.

The foreign call releases the GIL, so the threads extract at once. Paths
are handed out in small batches (a future per path would cost more than a
small file's extraction), and at most a few batches per thread are
extracted ahead of the consumer, so memory stays bounded however many
paths there are and however slowly the results are taken.
"""

from __future__ import annotations

import itertools
import os
from collections import deque
from collections.abc import Iterable, Iterator
from concurrent.futures import Future, ThreadPoolExecutor

from ._extract import check_options, extract_file, path_bytes
from ._options import CodePage, Reader, code_page_number, reader_number
from ._result import Result, Source

BATCH = 16
BATCHES_AHEAD_PER_THREAD = 4

# A batch's outcome per path: a Result, or the exception its path raised
# (a path of the wrong type), raised when the consumer reaches it.
Outcome = Result | BaseException


def _extract_batch(batch: list[Source], reader: int, code_page: int) -> list[Outcome]:
    outcomes: list[Outcome] = []
    for source in batch:
        try:
            outcomes.append(extract_file(path_bytes(source), source, reader, code_page))
        except Exception as error:  # noqa: BLE001 - raised in order by the consumer
            outcomes.append(error)
    return outcomes


def _yield_outcomes(outcomes: list[Outcome]) -> Iterator[Result]:
    for outcome in outcomes:
        if isinstance(outcome, BaseException):
            raise outcome
        yield outcome


def check_path_list(paths: object) -> None:
    """TypeError for one path given where a list of paths is wanted (a string
    would otherwise be read as one path per character)."""
    if isinstance(paths, (str, bytes, bytearray, memoryview, os.PathLike)):
        raise TypeError(f"paths must be an iterable of paths, not one {type(paths).__name__}")


def usable_cores() -> int:
    """The cores this process may use."""
    try:
        return len(os.sched_getaffinity(0)) or 1
    except (AttributeError, OSError):
        return os.cpu_count() or 1


def default_threads() -> int:
    """The number of threads when none is asked for: one per core. Each
    thread holds the GIL only for the text's decoding and the result, once
    a file, and more threads than cores only add contention for it. (The
    10,000 files of bench/index_many_files.sh on the idle 2-core machine,
    3 batches of 6 runs for each reader beside the tool's 2 threads, median
    of the 6 batches: 2 threads 87% of the tool's files per second, 3
    threads 84%, 4 threads 77%.)"""
    return usable_cores()


def _check_jobs(jobs: object) -> int:
    if jobs is None:
        return default_threads()
    if isinstance(jobs, bool) or not isinstance(jobs, int):
        raise TypeError(f"jobs must be an int or None, not {type(jobs).__name__}")
    if jobs < 1:
        raise ValueError(f"jobs must be at least 1, not {jobs}")
    return jobs


def extract_many(paths: Iterable[Source], *, jobs: int | None = None, reader: Reader = "complete",
                 ansi_code_page: CodePage = None) -> Iterator[Result]:
    """Extracts the files at ``paths`` on ``jobs`` threads (default: one
    per core, see :func:`default_threads`) and yields one :class:`Result` per path, in the order
    of the paths. ``paths`` may be any iterable, a generator of millions
    included: it is read as the work goes on. Options as for
    :func:`idxfilter.extract` (checked before the first path is read);
    a path of the wrong type raises its TypeError when its turn comes.
    Closing the iterator early stops the threads once their batch is done.
    """
    check_path_list(paths)
    reader_value = reader_number(reader)
    code_page = code_page_number(ansi_code_page, reader_value)
    check_options(reader_value, code_page)
    threads = _check_jobs(jobs)
    return _run(iter(paths), threads, reader_value, code_page)


def _run(paths: Iterator[Source], threads: int, reader: int, code_page: int) -> Iterator[Result]:
    if threads == 1:
        for source in paths:
            yield extract_file(path_bytes(source), source, reader, code_page)
        return
    window = threads * BATCHES_AHEAD_PER_THREAD
    pending: deque[Future[list[Outcome]]] = deque()
    with ThreadPoolExecutor(max_workers=threads, thread_name_prefix="idxfilter") as pool:
        try:
            while True:
                while len(pending) < window:
                    batch = list(itertools.islice(paths, BATCH))
                    if not batch:
                        break
                    pending.append(pool.submit(_extract_batch, batch, reader, code_page))
                if not pending:
                    return
                yield from _yield_outcomes(pending.popleft().result())
        finally:
            for future in pending:
                future.cancel()
