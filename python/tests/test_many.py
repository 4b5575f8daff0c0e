"""extract_many: the serial results on threads, in order, with memory bounded,
while files disappear, stopped early, and with bad paths among good ones."""

from __future__ import annotations

import itertools
import os
import pathlib
import threading
import time

import pytest

import idxfilter
from idxfilter import _many
from conftest import make_documents


def _summary(result: idxfilter.Result) -> tuple:
    return (result.path, result.text, result.meta, result.units, result.reason)


def test_threads_give_the_serial_results(generated: list[bytes], tmp_path: pathlib.Path,
                                         reader: str) -> None:
    paths = list(generated) + [b"missing", os.fsencode(tmp_path)] + generated[:5]
    serial = [_summary(idxfilter.extract(p, reader=reader)) for p in paths]
    for jobs in (1, 2, 4, 7):
        got = [_summary(r) for r in idxfilter.extract_many(paths, jobs=jobs, reader=reader)]
        assert got == serial, jobs
    default = [_summary(r) for r in idxfilter.extract_many(iter(paths), reader=reader)]
    assert default == serial


def test_no_paths() -> None:
    assert list(idxfilter.extract_many([], jobs=3)) == []


def test_paths_are_read_as_the_work_goes_on(generated: list[bytes]) -> None:
    taken = 0

    def endless():
        nonlocal taken
        for path in itertools.cycle(generated):
            taken += 1
            yield path

    jobs = 3
    results = idxfilter.extract_many(endless(), jobs=jobs)
    for _ in range(5):
        next(results)
    time.sleep(0.2)
    # Only the window of batches ahead of the consumer has been read.
    ahead = jobs * _many.BATCHES_AHEAD_PER_THREAD * _many.BATCH
    assert taken <= ahead + 2 * _many.BATCH
    for _ in range(1000):
        next(results)
    time.sleep(0.2)
    assert taken <= 1005 + ahead + 2 * _many.BATCH
    results.close()


def test_stopping_early_ends_the_threads(generated: list[bytes]) -> None:
    before = threading.active_count()
    results = idxfilter.extract_many(generated * 20, jobs=4, reader="exact")
    assert next(results).units > 0
    results.close()
    assert threading.active_count() == before


def test_a_bad_path_raises_in_its_turn(generated: list[bytes]) -> None:
    paths = generated[:40] + [42] + generated[:40]
    results = idxfilter.extract_many(paths, jobs=2)
    for expected in generated[:40]:
        assert next(results).path == expected
    with pytest.raises(TypeError):
        next(results)


def test_files_deleted_while_the_batch_runs(tmp_path: pathlib.Path) -> None:
    paths = make_documents(tmp_path, 2000, seed=3, max_size=3000)
    expected = {p: idxfilter.extract(p, reader="exact").text for p in paths}
    deleted: set[bytes] = set()
    results = []
    for i, result in enumerate(idxfilter.extract_many(paths, jobs=3, reader="exact")):
        results.append(result)
        if i == 100:
            for path in paths[200::2]:  # half of those not yet taken, far ahead and near
                os.unlink(path)
                deleted.add(path)
    assert [r.path for r in results] == paths
    gone = 0
    for result in results:
        if result.reason == "missing":
            assert result.path in deleted
            gone += 1
        else:
            assert result.units > 0 and result.text == expected[result.path], result.path
    # Those far beyond the window were surely not read before they went.
    assert gone >= len(deleted) - 300 and gone > 0
