#!/usr/bin/env python3
"""Writes COUNT inputs to DIR for comparing two builds of the tool: the
sample documents mutated (bytes flipped, boundary bytes and RTF pieces
inserted, cut short, spliced), RTF-like token soup, and plain text in
UTF-8, UTF-16 LE/BE and 8-bit code pages. The same SEED gives the same
files.

    scripts/mutated_inputs.py DIR COUNT SEED SAMPLE...
"""
import random
import sys
from pathlib import Path

# Bytes at the edges of what the kernels look for, and RTF pieces whose
# handling has fast paths: escapes (four and more in a row), the font
# table, hyperlinks, line ends.
BOUNDARY_BYTES = [0x00, 0x01, 0x0A, 0x0D, 0x1F, 0x20, 0x7F, 0x80, 0xBF, 0xC0, 0xE0, 0xEF, 0xF0, 0xFF,
                  ord("\\"), ord("{"), ord("}"), ord("'")]
PIECES = [b"\\'e9", b"\\'41\\'42\\'43\\'44\\'45", b"\\'00", b"\\'6", b"{\\fonttbl{\\f0\\fcharset128 A;}}",
          b"\\f\nont\rtbl", b"\\'62\\'6c", b"{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt t}}",
          b"{HYPERLINK", b"\r\n", b"\r", b"\n", b"\\par ", b"\\u8364?", b"\\uc0\\u-3 ", b"\\bin4 ab\x00d",
          b"{\\*\\x y}", b"\\~\\-\\_", "\u00e9\u4e2d\U0001f600".encode("utf-8"), b"\xc3", b"\xf0\x9f"]


def mutate(data, rng):
    data = bytearray(data)
    for _ in range(rng.randint(1, 12)):
        kind = rng.random()
        at = rng.randint(0, len(data))
        if kind < 0.3 and data:
            data[min(at, len(data) - 1)] = rng.choice(BOUNDARY_BYTES)
        elif kind < 0.6:
            data[at:at] = rng.choice(PIECES)
        elif kind < 0.7:
            data[at:at] = bytes(rng.choice(BOUNDARY_BYTES) for _ in range(rng.randint(1, 40)))
        elif kind < 0.8:
            del data[at:at + rng.randint(1, 64)]
        elif kind < 0.9 and data:
            start = rng.randint(0, len(data) - 1)
            data[at:at] = data[start:start + rng.randint(1, 300)]
        else:
            data = data[:at]
    return bytes(data)


def token_soup(rng):
    words = [b"\\rtf1", b"\\ansi", b"\\ansicpg1251", b"\\deff0", b"\\f1", b"\\fs24", b"\\par", b"\\tab", b"\\cell",
             b"\\row", b"\\line", b"\\*", b"\\plain", b"{", b"}", b"text ", b"more text", b"\\pard", b"\\cpg932",
             b"\\fcharset134", b"\\uc1", b"\\u1234?", b"\\lquote"] + PIECES
    body = b"".join(rng.choice(words) for _ in range(rng.randint(5, 400)))
    return b"{\\rtf1" + body + (b"}" if rng.random() < 0.7 else b"")


def plain_text(rng):
    text = "".join(rng.choice(["plain words ", "caf\u00e9 ", "\u4e2d\u6587 ", "\r\n", "\n", "\r", "\t",
                               "\U0001f600", "x" * 40, "\u00ff\u0100 "]) for _ in range(rng.randint(1, 300)))
    encoding = rng.choice(["utf-8", "utf-8-sig", "utf-16-le", "utf-16-be", "utf-16", "cp1252", "cp1251"])
    return text.encode(encoding, errors="replace")


def main():
    out, count, seed, samples = Path(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]
    rng = random.Random(seed)
    out.mkdir(parents=True, exist_ok=True)
    sources = [Path(s).read_bytes() for s in samples]
    for number in range(count):
        kind = number % 4
        if kind < 2 and sources:
            data = mutate(rng.choice(sources), rng)
        elif kind == 2:
            data = token_soup(rng)
        else:
            data = plain_text(rng)
        (out / f"input{number:04d}.{'rtf' if kind < 3 else 'txt'}").write_bytes(data)


if __name__ == "__main__":
    main()
