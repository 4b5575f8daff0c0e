"""idxfilter.dask: a local cluster of 2 worker processes writes the tool's rows,
survives the death of a worker without losing or doubling a row, and a
scheduler that is not there gives an exception, not a hang."""

from __future__ import annotations

import json
import os
import pathlib
import signal
import subprocess
import sys
import threading
import time

import pytest

distributed = pytest.importorskip("distributed")

import idxfilter.dask  # noqa: E402
from conftest import comparable, make_documents, tool_output, tool_rows  # noqa: E402

pytestmark = pytest.mark.slow


@pytest.fixture(scope="module")
def cluster():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address="127.0.0.1:0") as local:
        yield local


@pytest.fixture(scope="module")
def documents(tmp_path_factory: pytest.TempPathFactory) -> list[bytes]:
    folder = tmp_path_factory.mktemp("cluster-docs")
    paths = make_documents(folder, 2000, seed=17, max_size=4000)
    (folder / "empty.txt").write_bytes(b"")
    (folder / "blank.rtf").write_bytes(b"{\\rtf1\\ansi }")
    # A missing file, an empty one, one without text, a folder, a repeated one.
    return paths + [paths[0] + b".missing", os.fsencode(folder / "empty.txt"),
                    os.fsencode(folder / "blank.rtf"), os.fsencode(folder), paths[1]]


def read_rows(folder: pathlib.Path, manifest: dict) -> list[dict]:
    rows = []
    for name in manifest["parts"]:
        with open(folder / name, "rb") as f:
            rows.extend(json.loads(line) for line in f)
    return rows


def test_rows_equal_the_tools(cluster, documents: list[bytes], tmp_path: pathlib.Path) -> None:
    with distributed.Client(cluster) as client:
        manifest = idxfilter.dask.extract_to_jsonl(documents, tmp_path / "out", client=client,
                                                   partition_size=150, reader="exact")
    out = tmp_path / "out"
    assert manifest == json.loads((out / "manifest.json").read_text())
    assert manifest["files"] == manifest["rows"] == len(documents)
    assert manifest["with_text"] == len(documents) - 4
    assert manifest["failed"] == {"a directory": 1, "empty": 1, "missing": 1, "no text": 1}
    assert manifest["partitions"] == 14 and len(manifest["parts"]) == 14
    assert sorted(p.name for p in out.iterdir()) == sorted(manifest["parts"] + ["manifest.json"])
    expected = [comparable(row, "exact") for row in tool_rows(documents, "exact")]
    assert read_rows(out, manifest) == expected
    if all("reader" in row for row in tool_rows(documents[:1], "exact")):
        # A tool that names the reader writes the very same bytes.
        written = b"".join((out / name).read_bytes() for name in manifest["parts"])
        assert written == tool_output(documents, "exact")


def test_complete_reader_rows(cluster, documents: list[bytes], tmp_path: pathlib.Path) -> None:
    paths = documents[:300] + documents[-5:]
    expected = [comparable(row, "complete") for row in tool_rows(paths, "complete")]
    manifest = idxfilter.dask.extract_to_jsonl(paths, tmp_path, client=cluster.scheduler_address,
                                               partition_size=64)
    assert read_rows(tmp_path, manifest) == expected
    written = b"".join((tmp_path / name).read_bytes() for name in manifest["parts"])
    assert written == tool_output(paths, "complete")


def test_a_worker_killed_while_tasks_run(documents: list[bytes], tmp_path: pathlib.Path) -> None:
    paths = documents[:2000]
    out = tmp_path / "out"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address="127.0.0.1:0") as local, \
            distributed.Client(local) as client:
        outcome: dict = {}

        def run() -> None:
            try:
                outcome["manifest"] = idxfilter.dask.extract_to_jsonl(
                    paths, out, client=client, partition_size=10, reader="exact")
            except BaseException as error:  # noqa: BLE001 - checked below
                outcome["error"] = error

        runner = threading.Thread(target=run)
        runner.start()
        deadline = time.monotonic() + 60
        while not (out.is_dir() and len(list(out.glob("part-*.jsonl"))) >= 20):
            assert time.monotonic() < deadline and runner.is_alive()
            time.sleep(0.01)
        pids = client.run(os.getpid)
        victim = sorted(pids.values())[0]
        os.kill(victim, signal.SIGKILL)
        killed_while_running = not (out / "manifest.json").exists()
        runner.join(120)
        assert not runner.is_alive()
    assert killed_while_running
    assert "error" not in outcome, outcome.get("error")
    manifest = outcome["manifest"]
    assert manifest["rows"] == len(paths) and manifest["partitions"] == 200
    rows = read_rows(out, manifest)
    assert [row["path"] for row in rows] == [os.fsdecode(p) for p in paths]
    expected = [comparable(row, "exact") for row in tool_rows(paths, "exact")]
    assert rows == expected
    assert not [p for p in out.iterdir() if p.name.startswith(".")]


def test_a_scheduler_that_is_not_there(tmp_path: pathlib.Path) -> None:
    with distributed.LocalCluster(n_workers=1, processes=False, dashboard_address="127.0.0.1:0") as gone:
        address = gone.scheduler_address
    start = time.monotonic()
    with pytest.raises(idxfilter.dask.ClusterError, match="no Dask scheduler"):
        idxfilter.dask.extract_to_jsonl([b"x"], tmp_path, client=address, connect_timeout=3)
    assert time.monotonic() - start < 30


def test_a_closed_client(cluster, tmp_path: pathlib.Path) -> None:
    client = distributed.Client(cluster)
    client.close()
    with pytest.raises(idxfilter.dask.ClusterError, match="closed"):
        idxfilter.dask.extract_to_jsonl([b"x"], tmp_path, client=client)


def test_earlier_output_is_kept_unless_overwritten(cluster, documents: list[bytes],
                                                   tmp_path: pathlib.Path) -> None:
    with distributed.Client(cluster) as client:
        first = idxfilter.dask.extract_to_jsonl(documents[:30], tmp_path, client=client,
                                                partition_size=10)
        with pytest.raises(FileExistsError):
            idxfilter.dask.extract_to_jsonl(documents[:5], tmp_path, client=client)
        second = idxfilter.dask.extract_to_jsonl(documents[:5], tmp_path, client=client,
                                                 overwrite=True)
    assert first["partitions"] == 3 and second["partitions"] == 1
    assert sorted(p.name for p in tmp_path.iterdir()) == ["manifest.json", "part-00000.jsonl"]


@pytest.mark.parametrize("arguments,error", [
    ({"client": 5}, TypeError),
    ({"partition_size": 0}, ValueError),
    ({"partition_size": "10"}, TypeError),
    ({"reader": "fast"}, ValueError),
    ({"reader": "exact", "ansi_code_page": 12345}, ValueError),
    ({"paths": "one/path.rtf"}, TypeError),
])
def test_bad_arguments(tmp_path: pathlib.Path, arguments: dict, error: type) -> None:
    arguments = {"paths": [b"x"], **arguments}
    with pytest.raises(error):
        idxfilter.dask.extract_to_jsonl(output_dir=tmp_path, **arguments)
    assert not list(tmp_path.iterdir())  # refused before anything was written


def _start(command: list[str], env: dict | None = None) -> subprocess.Popen:
    return subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                            start_new_session=True)


def test_a_scheduler_that_dies_during_the_run(documents: list[bytes],
                                              tmp_path: pathlib.Path) -> None:
    # A scheduler and a worker of their own, so that the scheduler can be killed.
    scheduler_file = tmp_path / "scheduler.json"
    scheduler = _start([sys.executable, "-m", "distributed.cli.dask_scheduler", "--host",
                        "127.0.0.1", "--port", "0", "--no-dashboard", "--scheduler-file",
                        str(scheduler_file)])
    worker = None
    try:
        deadline = time.monotonic() + 60
        while not scheduler_file.exists() or not scheduler_file.read_text().strip():
            assert time.monotonic() < deadline and scheduler.poll() is None
            time.sleep(0.05)
        time.sleep(0.2)
        address = json.loads(scheduler_file.read_text())["address"]
        worker = _start([sys.executable, "-m", "distributed.cli.dask_worker", "--nworkers", "1",
                         "--nthreads", "1", "--no-dashboard", address], env=dict(os.environ))
        out = tmp_path / "out"
        outcome: dict = {}

        def run() -> None:
            try:
                idxfilter.dask.extract_to_jsonl(documents, out, client=address, partition_size=2,
                                                connect_timeout=5, reader="exact")
            except BaseException as error:  # noqa: BLE001 - checked below
                outcome["error"] = error

        runner = threading.Thread(target=run)
        runner.start()
        while not (out.is_dir() and len(list(out.glob("part-*.jsonl"))) >= 5):
            assert time.monotonic() < deadline and runner.is_alive(), outcome
            time.sleep(0.02)
        scheduler.kill()
        killed = time.monotonic()
        runner.join(60)
        assert not runner.is_alive()
        assert time.monotonic() - killed < 30
        assert isinstance(outcome.get("error"), idxfilter.dask.ClusterError), outcome
        assert "lost the Dask scheduler" in str(outcome["error"])
        assert not (out / "manifest.json").exists()
    finally:
        for process in (scheduler, worker):
            if process is not None and process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()


def test_a_run_that_outlasts_its_timeout(documents: list[bytes], tmp_path: pathlib.Path) -> None:
    # A FIFO without a writer blocks its reader, as it blocks the tool.
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    with distributed.LocalCluster(n_workers=1, threads_per_worker=1, processes=True,
                                  dashboard_address="127.0.0.1:0") as local, \
            distributed.Client(local) as client:
        start = time.monotonic()
        with pytest.raises(idxfilter.dask.ClusterError, match="did not finish within 2 s"):
            idxfilter.dask.extract_to_jsonl(documents[:20] + [os.fsencode(fifo)], tmp_path / "out",
                                            client=client, partition_size=5, timeout=2)
        assert time.monotonic() - start < 20
        with open(fifo, "wb"):  # lets the blocked worker go
            pass
