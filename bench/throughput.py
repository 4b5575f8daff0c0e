#!/usr/bin/env python3
"""Throughput and peak memory of the command-line tool, end to end (process
start included, output to /dev/null), on one core, beside GNU UnRTF
(`unrtf --text`) and `cat FILE > /dev/null` as the floor.

    bench/throughput.py [--tool PATH] [--runs N] [--worst-case] [--reader R]
                        [--unrtf-timeout SECONDS] [--no-unrtf] [SIZES_MIB...]

--reader complete or exact times the tool with that reader; both (the
default) times each and gives the complete reader's time over the exact
one's.

Sizes default to 1 10. Inputs come from make_inputs.py (--worst-case adds
its stress inputs). Each command runs N times (default 5; 1 from 100 MiB
on) and the fastest run counts; peak memory is the resident set of one
more run under GNU time. UnRTF runs once per RTF input (it is slow), and inputs it has
not finished within the timeout show as ">T".
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import make_inputs  # noqa: E402


def pin_to_one_core():
    """Runs this script, and so every command it starts, on one core."""
    if hasattr(os, "sched_setaffinity"):
        os.sched_setaffinity(0, {min(os.sched_getaffinity(0))})


def run_once(command, timeout=None):
    """Seconds of one run, or None when it ran past the timeout."""
    with open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=sink, stderr=subprocess.DEVNULL)
        if timeout is None:
            os.wait4(process.pid, 0)
            return (time.perf_counter() - start,)
        deadline = start + timeout
        while True:
            if os.wait4(process.pid, os.WNOHANG)[0]:
                return (time.perf_counter() - start,)
            if time.perf_counter() > deadline:
                process.kill()
                os.wait4(process.pid, 0)
                return None
            time.sleep(0.01)


def fastest(command, runs):
    return min(run_once(command)[0] for _ in range(runs))


def peak_kilobytes(command):
    """Peak resident set of one run, measured by GNU time: a child forked
    from this script would count the script's own pages until it execs."""
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return int(report.read().split()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("sizes", nargs="*", type=float, default=[1, 10])
    parser.add_argument("--tool", default=str(HERE.parent / "build/native/idxfilter"))
    parser.add_argument("--runs", type=int, default=0)
    parser.add_argument("--worst-case", action="store_true")
    parser.add_argument("--unrtf-timeout", type=float, default=300)
    parser.add_argument("--no-unrtf", action="store_true")
    parser.add_argument("--reader", choices=["complete", "exact", "both"], default="both")
    args = parser.parse_args()
    if not os.access(args.tool, os.X_OK):
        sys.exit(f"throughput.py: no tool at {args.tool} (build it first)")
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("throughput.py: needs GNU time at /usr/bin/time (Debian package time)")
    unrtf = None if args.no_unrtf else shutil.which("unrtf")
    pin_to_one_core()

    readers = ["complete", "exact"] if args.reader == "both" else [args.reader]
    columns = "".join(f" {r + ' s':>11} {'MB/s':>7} {'peak/size':>9}" for r in readers)
    ratio = f" {'c/e time':>8}" if len(readers) == 2 else ""
    print(f"{'input':34} {'MB':>7}{columns}{ratio} {'cat MB/s':>9} {'unrtf MB/s':>10} {'speedup':>8}")
    with tempfile.TemporaryDirectory() as work:
        for size in args.sizes:
            folder = Path(work) / f"{size:g}"
            extra = ["--worst-case"] if args.worst_case else []
            subprocess.run([sys.executable, str(HERE / "make_inputs.py"), str(folder), str(size)] + extra,
                           check=True)
            runs = args.runs or (5 if size < 100 else 1)
            for file in sorted(folder.iterdir()):
                report(file, args, runs, unrtf)
                file.unlink()


def report(file, args, runs, unrtf):
    megabytes = file.stat().st_size / 1e6
    readers = ["complete", "exact"] if args.reader == "both" else [args.reader]
    timed = {}
    columns = ""
    for reader in readers:
        command = [args.tool, f"--{reader}", str(file)]
        seconds = fastest(command, runs)
        peak_kb = peak_kilobytes(command)
        timed[reader] = seconds
        columns += f" {seconds:10.3f}s {megabytes / seconds:7.0f} {peak_kb * 1024 / (megabytes * 1e6):8.1f}x"
    ratio = f" {timed['complete'] / timed['exact']:8.2f}" if len(readers) == 2 else ""
    seconds = timed[readers[-1]]
    cat_seconds = fastest(["cat", str(file)], runs)
    unrtf_rate = speedup = "-"
    if unrtf and file.suffix == ".rtf":
        result = run_once([unrtf, "--text", str(file)], timeout=args.unrtf_timeout)
        if result is None:
            unrtf_rate = f"<{megabytes / args.unrtf_timeout:.2f}"
            speedup = f">{args.unrtf_timeout / seconds:.0f}x"
        else:
            unrtf_rate = f"{megabytes / result[0]:.2f}"
            speedup = f"{result[0] / seconds:.0f}x"
    print(f"{file.name:34} {megabytes:7.1f}{columns}{ratio} {megabytes / cat_seconds:9.0f} "
          f"{unrtf_rate:>10} {speedup:>8}", flush=True)


if __name__ == "__main__":
    main()
