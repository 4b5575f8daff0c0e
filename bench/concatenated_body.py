#!/usr/bin/env python3
"""Writes an RTF document of about SIZE MiB made of one sample's body
repeated: the sample's header (everything before its first \\pard) once,
then its body (from there to its last closing brace) again and again, each
copy in a group of its own.

    bench/concatenated_body.py SAMPLE.rtf OUT.rtf [MEBIBYTES]   (default 10)
"""
import sys
from pathlib import Path


def main():
    sample, out = Path(sys.argv[1]), Path(sys.argv[2])
    size = int(float(sys.argv[3]) * 1024 * 1024) if len(sys.argv) > 3 else 10 * 1024 * 1024
    data = sample.read_bytes()
    start = data.find(b"\\pard")
    end = data.rfind(b"}")
    header, body = data[:start], b"{" + data[start:end] + b"}\n"
    with out.open("wb") as f:
        f.write(header)
        written = len(header)
        while written < size:
            f.write(body)
            written += len(body)
        f.write(b"}\n")


if __name__ == "__main__":
    main()
