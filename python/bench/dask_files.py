"""Files per second of idxfilter.dask.extract_to_jsonl on a local cluster,
beside the command-line tool's --jsonl on the same files.

usage: python3 python/bench/dask_files.py TOOL DOCS [RUNS] [--workers N]
         [--partition-size N] [--reader R] [--tool-reader]

The cluster (N worker processes, one thread each) is started once, before
the runs: its start is printed on its own. Each run times the tool writing
JSON lines for every file (find | sort | xargs, to a file) and then
extract_to_jsonl over the same sorted paths into a fresh folder.
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import distributed  # noqa: E402

import idxfilter.dask  # noqa: E402
from many_files import list_files  # noqa: E402


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("docs")
    parser.add_argument("runs", nargs="?", type=int, default=3)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--partition-size", type=int, default=1000)
    parser.add_argument("--reader", default="exact", choices=["complete", "exact"])
    parser.add_argument("--tool-reader", action="store_true")
    args = parser.parse_args()
    tool = os.path.realpath(args.tool)
    folder = os.path.abspath(args.docs)
    paths = list_files(folder)
    options = " --jsonl" + (" --" + args.reader if args.tool_reader else "")
    start = time.perf_counter()
    cluster = distributed.LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                       processes=True, dashboard_address="127.0.0.1:0")
    client = distributed.Client(cluster)
    print(f"{len(paths)} files; cluster of {args.workers} workers started in "
          f"{time.perf_counter() - start:.2f} s")
    work = tempfile.mkdtemp()
    try:
        for run in range(args.runs):
            start = time.perf_counter()
            subprocess.run(f"cd '{folder}' && find . -type f -print0 | sort -z | "
                           f"xargs -0 '{tool}'{options} > '{work}/tool.jsonl'", shell=True)
            tool_s = time.perf_counter() - start
            out = os.path.join(work, f"run{run}")
            start = time.perf_counter()
            manifest = idxfilter.dask.extract_to_jsonl(paths, out, client=client,
                                                       partition_size=args.partition_size,
                                                       reader=args.reader)
            dask_s = time.perf_counter() - start
            shutil.rmtree(out)
            print(f"run {run + 1}: tool --jsonl {tool_s:.2f} s {len(paths) / tool_s:6.0f} files/s   "
                  f"extract_to_jsonl {dask_s:.2f} s {len(paths) / dask_s:6.0f} files/s "
                  f"({manifest['partitions']} partitions)   ratio {tool_s / dask_s:.0%}")
    finally:
        shutil.rmtree(work)
        client.close()
        cluster.close()


if __name__ == "__main__":
    main()
