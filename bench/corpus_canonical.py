"""Makes the writers' RTF the same on every run, without changing what it
shows: LibreOffice takes dates from the clock when its input has none and
orders its font table differently from run to run; AbiWord writes a
memory address into its table properties.
"""
import re

CLOCK_VALUE = re.compile(rb"\{\\(creatim|revtim|printim|buptim)(?:\\[a-z]+-?\d*)*\s*\}")
ABIWORD_ADDRESS = re.compile(rb"(table-sdh:)0x[0-9a-fA-F]+")
# Control words whose parameter is a font number.
FONT_REFERENCE = re.compile(rb"(?<!\\)\\(f|af|deff|stshfdbch|stshfloch|stshfhich|stshfbi)(\d+)(?![0-9])")
FONT_TABLE = b"{\\fonttbl"


def fixed_clock_values(data):
    return CLOCK_VALUE.sub(lambda m: b"{\\" + m.group(1) + b"\\yr2024\\mo1\\dy2\\hr3\\min4}", data)


def fixed_addresses(data):
    return ABIWORD_ADDRESS.sub(rb"\g<1>0x0", data)


def _group_end(data, start):
    """Index after the group that opens at data[start] ('{'), or -1."""
    depth = 0
    i = start
    while i < len(data):
        c = data[i]
        if c == 0x5C:  # backslash: the next byte is never a brace of the structure
            i += 2
            continue
        if c == 0x7B:
            depth += 1
        elif c == 0x7D:
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    return -1


def _font_entries(data, table_start, table_end):
    """(start, end) of each font group directly inside the font table."""
    entries = []
    i = table_start + len(FONT_TABLE)
    while i < table_end - 1:
        if data[i] == 0x7B:
            end = _group_end(data, i)
            if end < 0:
                break
            entries.append((i, end))
            i = end
        else:
            i += 1
    return entries


def canonical_font_numbers(data):
    """The font table's entries sorted by their text (number left out) and
    numbered 0, 1, ... in that order, every font reference renumbered to
    match. A document without a font table, or with one that cannot be
    read, is returned as it is."""
    table_start = data.find(FONT_TABLE)
    if table_start < 0:
        return data
    table_end = _group_end(data, table_start)
    if table_end < 0:
        return data
    entries = _font_entries(data, table_start, table_end)
    numbered = []
    for start, end in entries:
        entry = data[start:end]
        number = re.match(rb"\{\\f(\d+)", entry)
        if not number:
            return data
        # The text without its number: "{\\f" and what follows the digits.
        numbered.append((b"{\\f" + entry[number.end():], int(number.group(1))))
    if len({n for _, n in numbered}) != len(numbered):
        return data
    order = sorted(numbered, key=lambda e: e[0])
    mapping = {old: new for new, (_, old) in enumerate(order)}

    def renumber(match):
        old = int(match.group(2))
        return b"\\" + match.group(1) + str(mapping.get(old, old)).encode()
    table = (data[table_start:entries[0][0]] if entries else data[table_start:table_end - 1]) \
        + b"".join(FONT_REFERENCE.sub(renumber, b"{\\f%d" % old + text[3:]) for text, old in order) + b"}"
    before = FONT_REFERENCE.sub(renumber, data[:table_start])
    after = FONT_REFERENCE.sub(renumber, data[table_end:])
    return before + table + after
