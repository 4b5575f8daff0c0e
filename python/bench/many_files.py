"""Files per second: extract_many beside the command-line tool on the same files.

usage: python3 python/bench/many_files.py TOOL DOCS [RUNS] [--reader R] [--jsonl]

DOCS is a folder of documents, e.g. the one bench/index_many_files.sh
makes and keeps with WORK=dir (WORK/docs). Each run times, one after the
other, the tool over every file (find | sort | xargs, output to /dev/null,
as that script does; with --jsonl the tool writes JSON lines) and
extract_many over the same sorted paths (every result taken). Prints each
run and the best of each.
"""

from __future__ import annotations

import argparse
import os
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


def time_tool(tool: str, folder: str, jsonl: bool, reader: str) -> float:
    options = " --jsonl" if jsonl else ""
    if reader == "exact" and jsonl:
        options += ""  # the tool's own reader is the exact one
    start = time.perf_counter()
    subprocess.run(f"cd '{folder}' && find . -type f -print0 | sort -z | "
                   f"xargs -0 '{tool}'{options} > /dev/null", shell=True, check=False)
    return time.perf_counter() - start


def time_many(paths: list[str], reader: str, jobs: int | None) -> float:
    start = time.perf_counter()
    count = 0
    for result in idxfilter.extract_many(paths, reader=reader, jobs=jobs):
        count += result.units > 0
    elapsed = time.perf_counter() - start
    if count != len(paths):
        print(f"  ({len(paths) - count} files gave no text)")
    return elapsed


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("docs")
    parser.add_argument("runs", nargs="?", type=int, default=5)
    parser.add_argument("--reader", default="exact", choices=["complete", "exact"])
    parser.add_argument("--jobs", type=int, default=None)
    parser.add_argument("--jsonl", action="store_true")
    args = parser.parse_args()
    tool = os.path.realpath(args.tool)
    folder = os.path.abspath(args.docs)
    paths = [os.path.join(folder, os.path.relpath(p, folder)) for p in list_files(folder)]
    print(f"{len(paths)} files, library {idxfilter.library_path}, reader {args.reader}")
    best_tool = best_many = float("inf")
    for run in range(args.runs):
        tool_s = time_tool(tool, folder, args.jsonl, args.reader)
        many_s = time_many(paths, args.reader, args.jobs)
        best_tool, best_many = min(best_tool, tool_s), min(best_many, many_s)
        print(f"run {run + 1}: tool {tool_s:.2f} s {len(paths) / tool_s:8.0f} files/s   "
              f"extract_many {many_s:.2f} s {len(paths) / many_s:8.0f} files/s   "
              f"ratio {tool_s / many_s:.0%}")
    print(f"best: tool {len(paths) / best_tool:.0f} files/s, extract_many "
          f"{len(paths) / best_many:.0f} files/s, {best_tool / best_many:.0%} of the tool")


if __name__ == "__main__":
    main()
