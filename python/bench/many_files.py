"""Files per second: extract_many beside the command-line tool on the same files.

usage: python3 python/bench/many_files.py TOOL DOCS [RUNS] [--reader R] [--jobs N[,N...]]
                                          [--jsonl] [--tool-reader]

DOCS is a folder of documents, e.g. the one bench/index_many_files.sh
makes and keeps with WORK=dir (WORK/docs). Each run times, one after the
other, the tool over every file (find | sort | xargs, output to /dev/null,
as that script does; with --jsonl the tool writes JSON lines) and
extract_many over the same sorted paths (every result taken, its text
read), once for each thread count of --jobs (default: the package's
default). Prints each run's wall and CPU seconds, and per thread count the
median and best files per second and the median of the runs' ratios to the
tool run beside them.
"""

from __future__ import annotations

import argparse
import os
import resource
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import idxfilter  # noqa: E402


def list_files(folder: str) -> list[str]:
    paths = []
    for root, _dirs, files in os.walk(folder):
        paths.extend(os.path.join(root, name) for name in files)
    return sorted(paths)


def cpu_seconds(who: int) -> float:
    usage = resource.getrusage(who)
    return usage.ru_utime + usage.ru_stime


def time_tool(tool: str, folder: str, options: str) -> tuple[float, float]:
    """Wall and CPU seconds of the tool over every file of ``folder``."""
    cpu = cpu_seconds(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(f"cd '{folder}' && find . -type f -print0 | sort -z | "
                   f"xargs -0 '{tool}'{options} > /dev/null", shell=True, check=False)
    return time.perf_counter() - start, cpu_seconds(resource.RUSAGE_CHILDREN) - cpu


def time_many(paths: list[str], reader: str, jobs: int | None) -> tuple[float, float]:
    """Wall and CPU seconds of extract_many over ``paths``, every text read."""
    cpu = cpu_seconds(resource.RUSAGE_SELF)
    start = time.perf_counter()
    count = characters = 0
    for result in idxfilter.extract_many(paths, reader=reader, jobs=jobs):
        count += result.units > 0
        characters += len(result.text)
    elapsed = time.perf_counter() - start, cpu_seconds(resource.RUSAGE_SELF) - cpu
    if count != len(paths):
        print(f"  ({len(paths) - count} files gave no text)")
    return elapsed


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("docs")
    parser.add_argument("runs", nargs="?", type=int, default=5)
    parser.add_argument("--reader", default="exact", choices=["complete", "exact"])
    parser.add_argument("--jobs", default="", help="thread counts, e.g. 2,3,4")
    parser.add_argument("--jsonl", action="store_true", help="the tool writes JSON lines")
    parser.add_argument("--tool-reader", action="store_true",
                        help="pass --exact or --complete to the tool (builds that have both)")
    args = parser.parse_args()
    tool = os.path.realpath(args.tool)
    folder = os.path.abspath(args.docs)
    paths = list_files(folder)
    jobs_list: list[int | None] = [int(j) for j in args.jobs.split(",") if j] or [None]
    print(f"{len(paths)} files, library {idxfilter.library_path}, reader {args.reader}")
    options = (" --jsonl" if args.jsonl else "") + (" --" + args.reader if args.tool_reader else "")
    tool_runs: list[float] = []
    many_runs: dict[int | None, list[float]] = {jobs: [] for jobs in jobs_list}
    ratios: dict[int | None, list[float]] = {jobs: [] for jobs in jobs_list}
    for run in range(args.runs):
        tool_s, tool_cpu = time_tool(tool, folder, options)
        tool_runs.append(tool_s)
        line = f"run {run + 1}: tool {tool_s:.2f} s (cpu {tool_cpu:.2f} s)"
        for jobs in jobs_list:
            many_s, many_cpu = time_many(paths, args.reader, jobs)
            many_runs[jobs].append(many_s)
            ratios[jobs].append(tool_s / many_s)
            line += f"   jobs {jobs or 'default'}: {many_s:.2f} s (cpu {many_cpu:.2f} s)"
        print(line + f"   load {os.getloadavg()[0]:.1f}", flush=True)
    count = len(paths)
    print(f"tool: median {count / statistics.median(tool_runs):.0f} files/s, "
          f"best {count / min(tool_runs):.0f} files/s")
    for jobs in jobs_list:
        print(f"extract_many jobs {jobs or 'default'}: median "
              f"{count / statistics.median(many_runs[jobs]):.0f} files/s, best "
              f"{count / min(many_runs[jobs]):.0f} files/s, median ratio to the tool "
              f"{statistics.median(ratios[jobs]):.0%}")


if __name__ == "__main__":
    main()
