#!/usr/bin/env python3
"""Regenerates platform/portable/code_page_tables.cpp from the system's own
code-page services: builds recorder.cpp with the x86_64 MinGW compiler, runs
it under Wine in a fresh prefix, and feeds the recording to
generate_tables.py.

  python3 tools/codepages/regenerate.py [--recording FILE] [--save-recording FILE]

--recording skips building and running the recorder and uses FILE instead.
Environment: MINGW_CXX (default x86_64-w64-mingw32-g++-posix), WINE (default
wine64 on PATH, then /usr/lib/wine/wine64, then wine).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
OUTPUT = os.path.join(ROOT, "platform", "portable", "code_page_tables.cpp")

sys.path.insert(0, HERE)
import generate_tables  # noqa: E402


def FindWine():
    if os.environ.get("WINE"):
        return os.environ["WINE"]
    for candidate in (shutil.which("wine64"), "/usr/lib/wine/wine64", shutil.which("wine")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    sys.exit("regenerate: no Wine found (set WINE)")


def Record(workDir):
    compiler = os.environ.get("MINGW_CXX", "x86_64-w64-mingw32-g++-posix")
    recorder = os.path.join(workDir, "recorder.exe")
    subprocess.run([compiler, "-std=c++20", "-O2", "-static", "-o", recorder,
                    os.path.join(HERE, "recorder.cpp")], check=True)
    env = dict(os.environ, WINEDEBUG="-all", WINEPREFIX=os.path.join(workDir, "prefix"),
               WINEDLLOVERRIDES="mscoree,mshtml=", LANG="C.UTF-8", LC_ALL="C.UTF-8")
    subprocess.run([FindWine(), "recorder.exe", "recording.bin"], cwd=workDir, env=env,
                   check=True)
    return os.path.join(workDir, "recording.bin")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--recording", help="use this recording instead of making one")
    parser.add_argument("--save-recording", help="copy the recording here")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="idxfilter-codepages-") as workDir:
        recording = args.recording or Record(workDir)
        if args.save_recording:
            shutil.copyfile(recording, args.save_recording)
        try:
            models = [generate_tables.BuildModel(page)
                      for page in generate_tables.ReadRecording(recording)]
        except generate_tables.ModelError as error:
            sys.exit("regenerate: %s" % error)
    with open(OUTPUT, "w", newline="\n") as out:
        out.write(generate_tables.Generate(models))
    print("wrote %s (%d bytes)" % (os.path.relpath(OUTPUT, ROOT), os.path.getsize(OUTPUT)))


if __name__ == "__main__":
    main()
