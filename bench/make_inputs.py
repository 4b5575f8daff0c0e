#!/usr/bin/env python3
"""Writes benchmark inputs of a given size into a folder: RTF in the styles
real writers produce, and plain text in three encodings.

    make_inputs.py FOLDER MEBIBYTES [--worst-case]

With --worst-case it also writes the inputs that stress one mechanism
each: nesting, one enormous text token, a run per character alternating
between fonts, a hyperlink per word, one escape run of the whole size, a
font table of one repeated font word, and font-table groups never closed.
"""
import random
import sys
from pathlib import Path

WORDS = ("the report index filter quarter sales region total meeting budget "
         "approved next point summary online detail document text value").split()


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def rich_edit(rng, size):
    parts = ["{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}}\n"
             "{\\colortbl ;\\red0\\green0\\blue255;}\n{\\*\\generator Riched20 10.0}\\viewkind4\\uc1 \n"
             "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 "]
    total = 0
    while total < size:
        line = words(rng, 14)
        if rng.random() < 0.2:
            line += (" {{\\field{{\\*\\fldinst{{HYPERLINK \"http://example.com/{0}\"}}}}"
                     "{{\\fldrslt{{\\ul\\cf1 page {0}}}}}}}\\f0\\fs22 ").format(rng.randint(0, 9999))
        line += "\\par\n"
        parts.append(line)
        total += len(line)
    parts.append("}\n")
    return "".join(parts).encode("ascii")


def word_processor(rng, size):
    parts = ["{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
             "{\\f1\\fswiss\\fcharset204 Arial Cyr;}{\\f2\\fnil\\fcharset161 Arial Greek;}"
             "{\\f3\\fnil\\fcharset2 Symbol;}}{\\colortbl;\\red0\\green0\\blue0;}"
             "{\\stylesheet{\\s0 Normal;}{\\s1 heading 1;}}"
             "{\\info{\\title Report}{\\author Writer}{\\keywords sales}}\n"]
    total = 0
    while total < size:
        kind = rng.random()
        if kind < 0.15:
            line = "{\\pntext\\f3\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf3{\\pntxtb\\'b7}}\\pard\\f0 " + words(rng, 8) + "\\par\n"
        elif kind < 0.3:
            line = ("\\trowd\\cellx2000\\cellx4000\\pard\\intbl {\\f0 " + words(rng, 2) + "}\\cell {\\f0 "
                    + str(rng.randint(1, 999)) + "}\\cell\\row\n")
        elif kind < 0.45:
            line = "\\pard\\f1 " + "".join("\\'%02x" % rng.randint(0xC0, 0xFF) for _ in range(rng.randint(3, 9))) + " \\f0 " + words(rng, 5) + "\\par\n"
        elif kind < 0.55:
            line = "\\pard\\f2 \\'e1\\'e2\\'e3 {\\b\\f0 " + words(rng, 4) + "} caf\\'e9\\par\n"
        else:
            line = "\\pard\\plain\\f0\\fs24 " + words(rng, 6) + " {\\i " + words(rng, 2) + "} " + words(rng, 6) + "\\par\n"
        parts.append(line)
        total += len(line)
    parts.append("}\n")
    return "".join(parts).encode("ascii")


def japanese(rng, size):
    text = "日本語の文書をテストします。索引のためのフィルタです。".encode("cp932")
    parts = ["{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}{\\f1\\fnil\\fcharset0 Arial;}}\n"]
    total = 0
    while total < size:
        start = rng.randrange(0, len(text) // 2) * 2
        chunk = text[start:start + 2 * rng.randint(4, 12)]
        line = "\\f0 " + "".join("\\'%02x" % b for b in chunk) + " \\f1 " + words(rng, 3) + "\\par\n"
        parts.append(line)
        total += len(line)
    parts.append("}\n")
    return "".join(parts).encode("ascii")


def plain(rng, size):
    lines = []
    total = 0
    while total < size:
        line = words(rng, 12) + " caf\u00e9 na\u00efve\n"
        lines.append(line)
        total += len(line)
    return "".join(lines)


def repeat_to(unit, size):
    return unit * max(1, size // len(unit))


def worst_cases(size):
    header = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 A;}{\\f1\\fnil\\fcharset204 C;}}\n"
    depth = (size - 16) // 2
    return {
        "deep_nesting": "{\\rtf1 " + "{" * depth + "x" + "}" * depth + "}",
        "one_token": "{\\rtf1 " + repeat_to("abcdefgh", size) + "}",
        "font_flips": header + repeat_to("\\f0 a\\f1 \\'e1", size) + "}",
        "link_per_word": header + repeat_to(
            "{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/a%20b\"}}{\\fldrslt{word}}} ", size) + "}",
        "escape_run": header + "\\f1 " + repeat_to("\\'e1", size) + " end}",
        # Hostile font tables: one font word repeated (3 bytes an entry), and
        # groups with a byte of text each that are never closed.
        "font_words": "{\\rtf1{\\fonttbl" + repeat_to("\\f1", size - 24) + "}\\f1 text}",
        "open_font_groups": "{\\rtf1{\\fonttbl" + repeat_to("{a", size - 16),
    }


def main():
    folder, mebibytes = Path(sys.argv[1]), float(sys.argv[2])
    size = int(mebibytes * 1024 * 1024)
    folder.mkdir(parents=True, exist_ok=True)
    rng = random.Random(8)
    tag = ("%g" % mebibytes).replace(".", "_") + "MiB"
    (folder / f"richedit_{tag}.rtf").write_bytes(rich_edit(rng, size))
    (folder / f"wordprocessor_{tag}.rtf").write_bytes(word_processor(rng, size))
    (folder / f"japanese_{tag}.rtf").write_bytes(japanese(rng, size))
    text = plain(rng, size)
    (folder / f"ansi_{tag}.txt").write_bytes(text.encode("cp1252"))
    (folder / f"utf8_{tag}.txt").write_bytes(text.encode("utf-8"))
    (folder / f"utf16le_{tag}.txt").write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
    if "--worst-case" in sys.argv[3:]:
        for name, rtf in worst_cases(size).items():
            (folder / f"worst_{name}_{tag}.rtf").write_bytes(rtf.encode("ascii"))


if __name__ == "__main__":
    main()
