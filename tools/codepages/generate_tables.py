#!/usr/bin/env python3
"""Turns a recording made by recorder.exe into platform/portable/code_page_tables.cpp.

The recording holds, per code page, what MultiByteToWideChar does with every
byte and (double-byte code pages) every byte pair, with flags 0 and
MB_ERR_INVALID_CHARS, and what WideCharToMultiByte does with every UTF-16
unit. This script first checks that the recording follows the conversion
model the portable backend implements, then writes that model compactly:

  * a single byte (or a lead byte alone at the end of the input) yields one
    unit; a lead byte followed by any byte but 00 yields one unit for the
    pair; a lead byte followed by 00 yields the lead byte's lone unit and
    leaves the 00 to be converted on its own;
  * strict conversion succeeds exactly when every byte, pair (a lead byte
    always takes the next byte, 00 included) is valid and no lead byte ends
    the input, and then yields what lenient conversion yields;
  * each UTF-16 unit, surrogates included, converts on its own to one or two
    bytes, or makes the whole conversion fail; a size query either fails on
    such a unit too or counts it as one byte (code page 42 does);
  * a size query returns what the conversion returns, otherwise.

Output is a pure function of the recording, so running it twice gives the
same file.
"""
import argparse
import struct
import sys

REGENERATE_COMMAND = "python3 tools/codepages/regenerate.py"

# Digits of the number encoding: a number is written least significant
# digit first, every digit but the last from CONTINUE, the last from FINAL.
# Both avoid the characters that would need escaping in a C++ string
# literal ('"', '\\') and '?'.
_ALPHABET = [chr(c) for c in range(0x21, 0x7F) if chr(c) not in '"\\?']
FINAL = _ALPHABET[:45]
CONTINUE = _ALPHABET[45:90]
RADIX = 45

UNMAPPABLE = 0xFFFF  # to-bytes value of a unit that fails the conversion


class ModelError(Exception):
    pass


def ReadRecording(path):
    data = open(path, "rb").read()
    if data[:8] != b"IDXCPREC":
        raise ModelError("not a recording: " + path)
    version, count = struct.unpack_from("<II", data, 8)
    if version != 2:
        raise ModelError("unknown recording version %d" % version)
    pos = 16

    def ToWide():
        nonlocal pos
        fields = struct.unpack_from("<ii4H", data, pos)
        pos += 16
        if fields[0] != fields[1]:
            raise ModelError("a size query differs from its conversion")
        return fields[1], tuple(fields[2:2 + max(fields[1], 0)])

    def ToBytes():
        nonlocal pos
        fields = struct.unpack_from("<ii4B", data, pos)
        pos += 12
        return fields[0], fields[1], bytes(fields[2:2 + max(fields[1], 0)])

    pages = []
    for _ in range(count):
        codePage, doubleByte = struct.unpack_from("<II", data, pos)
        pos += 8
        singles = [(ToWide(), ToWide()) for _ in range(256)]
        pairs = [(ToWide(), ToWide()) for _ in range(65536)] if doubleByte else None
        units = [ToBytes() for _ in range(65536)]
        surrogates = [ToBytes() for _ in range(8)]
        pages.append(dict(codePage=codePage, doubleByte=bool(doubleByte), singles=singles,
                          pairs=pairs, units=units, surrogates=surrogates))
    if pos != len(data):
        raise ModelError("trailing data in recording")
    return pages


SURROGATE_CASES = [(0xD800, 0xDC00), (0xDBFF, 0xDFFF), (0xD83D, 0xDE00), (0xD800, 0x0041),
                   (0x0041, 0xDC00), (0xDC00, 0xD800), (0xD800,), (0xDFFF,)]


def BuildModel(page):
    """Checks the recording of one code page against the model; returns it."""
    cp = page["codePage"]

    def Fail(message):
        raise ModelError("code page %d: %s" % (cp, message))

    singles, pairs = page["singles"], page["pairs"]
    singleUnits, singleStrict = [], []
    for byte, ((count, units), (strictCount, strictUnits)) in enumerate(singles):
        if count != 1:
            Fail("byte %02X yields %d units" % (byte, count))
        if strictCount not in (0, 1) or (strictCount and strictUnits != units):
            Fail("byte %02X: strict result differs from lenient" % byte)
        singleUnits.append(units[0])
        singleStrict.append(strictCount == 1)

    leads, pairUnits, pairStrict = [], [], []
    if pairs is not None:
        for first in range(256):
            row = pairs[first * 256:(first + 1) * 256]
            isLead = any(count == 1 for (count, _), _ in row)
            if isLead:
                leads.append(first)
                if singleStrict[first]:
                    Fail("lead byte %02X alone converts strictly" % first)
            for second, ((count, units), (strictCount, strictUnits)) in enumerate(row):
                where = "pair %02X %02X" % (first, second)
                if strictCount and (strictCount, strictUnits) != (count, units):
                    Fail(where + ": strict result differs from lenient")
                if not isLead:
                    if (count, units) != (2, (singleUnits[first], singleUnits[second])):
                        Fail(where + ": not two single bytes")
                    if bool(strictCount) != (singleStrict[first] and singleStrict[second]):
                        Fail(where + ": strict validity is not that of its bytes")
                    continue
                if second == 0:
                    if (count, units) != (2, (singleUnits[first], singleUnits[0])):
                        Fail(where + ": lead byte before 00 does not stand alone")
                    pairUnits.append(singleUnits[first])
                else:
                    if count != 1:
                        Fail(where + ": yields %d units" % count)
                    pairUnits.append(units[0])
                pairStrict.append(strictCount != 0)

    toBytes = []
    countedUnmappable = set()
    for unit, (counted, count, out) in enumerate(page["units"]):
        if count == 0:
            toBytes.append(UNMAPPABLE)
            countedUnmappable.add(counted)
            continue
        if counted != count:
            Fail("unit %04X: size query differs from conversion" % unit)
        if count == 1:
            toBytes.append(out[0])
        elif count == 2 and out[0] != 0 and (out[0] << 8 | out[1]) != UNMAPPABLE:
            toBytes.append(out[0] << 8 | out[1])
        else:
            Fail("unit %04X yields %d bytes" % (unit, count))
    # A size query either fails on an unmappable unit or counts it as one
    # byte, the same for every such unit.
    if len(countedUnmappable) > 1 or not countedUnmappable <= {0, 1}:
        Fail("size queries of unmappable units differ: %s" % sorted(countedUnmappable))
    countsUnmappable = countedUnmappable == {1}
    for case, (counted, count, out) in zip(SURROGATE_CASES, page["surrogates"]):
        expected = b""
        expectedCount = 0
        failed = False
        for unit in case:
            value = toBytes[unit]
            if value == UNMAPPABLE:
                failed = True
                expectedCount += 1 if countsUnmappable else 0
            else:
                expected += bytes([value]) if value < 0x100 else bytes([value >> 8, value & 0xFF])
                expectedCount += 1 if value < 0x100 else 2
        if failed:
            expectedCount = expectedCount if countsUnmappable else 0
            expected = b""
        if (expectedCount, len(expected), expected) != (counted, count, out):
            Fail("units %s do not convert one by one" % " ".join("%04X" % u for u in case))

    return dict(codePage=cp, singleUnits=singleUnits, singleStrict=singleStrict, leads=leads,
                pairUnits=pairUnits, pairStrict=pairStrict, toBytes=toBytes,
                countsUnmappable=countsUnmappable)


def PredictToBytes(model, fill):
    """The to-bytes table the backend derives before applying exceptions:
    every unit that a byte or pair yields under strict conversion maps back
    to the first such byte or pair (bytes before pairs, each in ascending
    order); every other unit maps to `fill`. Must match the C++ decoder."""
    predicted = [None] * 65536
    leadSet = set(model["leads"])
    for byte in range(256):
        if byte not in leadSet and model["singleStrict"][byte]:
            unit = model["singleUnits"][byte]
            if predicted[unit] is None:
                predicted[unit] = byte
    for index, lead in enumerate(model["leads"]):
        for second in range(256):
            slot = index * 256 + second
            if model["pairStrict"][slot]:
                unit = model["pairUnits"][slot]
                if predicted[unit] is None:
                    predicted[unit] = lead << 8 | second
    return [fill if value is None else value for value in predicted]


def Number(value):
    if value < 0:
        raise ValueError(value)
    out = []
    while value >= RADIX:
        out.append(CONTINUE[value % RADIX])
        value //= RADIX
    out.append(FINAL[value])
    return "".join(out)


def ZigZag(previous, value):
    delta = (value - previous + 0x8000) % 0x10000 - 0x8000
    return delta * 2 if delta >= 0 else -delta * 2 - 1


def EncodeValues(values):
    """Encodes a sequence of 16-bit values as operations, each a number
    3 * (count - 1) + kind: kind 0, `count` values each one above the one
    before; kind 1, one value (zigzag delta from the one before) repeated
    `count` times; kind 2, `count` values each given as a zigzag delta."""
    out = []
    previous = 0
    literals = []

    def FlushLiterals():
        nonlocal previous
        if literals:
            out.append(Number(3 * (len(literals) - 1) + 2))
            for value in literals:
                out.append(Number(ZigZag(previous, value)))
                previous = value
            literals.clear()

    i = 0
    while i < len(values):
        value = values[i]
        run = 1
        if value == (previous + 1) % 0x10000 and not literals:
            while i + run < len(values) and values[i + run] == (value + run) % 0x10000:
                run += 1
            if run >= 2:
                out.append(Number(3 * (run - 1)))
                previous = values[i + run - 1]
                i += run
                continue
        while i + run < len(values) and values[i + run] == value:
            run += 1
        step = 1
        while i + step < len(values) and values[i + step] == (value + step) % 0x10000:
            step += 1
        if run >= 3 or step >= 3:
            FlushLiterals()
            if run >= step:
                out.append(Number(3 * (run - 1) + 1))
                out.append(Number(ZigZag(previous, value)))
                previous = value
                i += run
            else:
                # The first value as a literal, the rest as a sequence.
                literals.append(value)
                FlushLiterals()
                out.append(Number(3 * (step - 2)))
                previous = values[i + step - 1]
                i += step
            continue
        literals.append(value)
        i += 1
    FlushLiterals()
    return "".join(out)


def EncodeBits(bits):
    """Run lengths of alternating bit values, starting with a run of 0s."""
    out = []
    current, run = False, 0
    for bit in bits:
        if bit == current:
            run += 1
        else:
            out.append(Number(run))
            current, run = bit, 1
    out.append(Number(run))
    return "".join(out)


def EncodeToBytes(model):
    """The most common value, then (unit delta, value) for each unit whose
    value differs from the prediction."""
    counts = {}
    for value in model["toBytes"]:
        counts[value] = counts.get(value, 0) + 1
    fill = max(sorted(counts), key=lambda v: counts[v])
    predicted = PredictToBytes(model, fill)
    exceptions = [(u, v) for u, (v, p) in enumerate(zip(model["toBytes"], predicted)) if v != p]
    out = [Number(fill), Number(len(exceptions))]
    previous = -1
    values = []
    for unit, value in exceptions:
        out.append(Number(unit - previous - 1))
        previous = unit
        values.append(value)
    return "".join(out) + EncodeValues(values), len(exceptions)


def Literal(text, indent="    "):
    width = 96
    if not text:
        return indent + '""'
    return "\n".join(indent + '"' + text[i:i + width] + '"' for i in range(0, len(text), width))


def Generate(models):
    lines = [
        "// Generated by: %s (do not edit)" % REGENERATE_COMMAND,
        "// What the system's code-page services do, recorded under Wine; the encoding is",
        "// described in tools/codepages/generate_tables.py, decoded by code_pages_portable.cpp.",
        '#include "platform/portable/code_page_tables.h"',
        "",
        "namespace idxfilter {",
        "",
        "const RecordedCodePage kRecordedCodePages[] = {",
    ]
    for model in models:
        leadBits = [byte in set(model["leads"]) for byte in range(256)]
        toBytes, exceptionCount = EncodeToBytes(model)
        countsUnmappable = "true" if model["countsUnmappable"] else "false"
        lines.append("{%d, %d, %s,  // %d lead bytes, %d to-bytes exceptions" % (
            model["codePage"], len(model["leads"]), countsUnmappable, len(model["leads"]),
            exceptionCount))
        lines.append("    // single bytes")
        lines.append(Literal(EncodeValues(model["singleUnits"])) + ",")
        lines.append("    // lead bytes")
        lines.append(Literal(EncodeBits(leadBits)) + ",")
        lines.append("    // pairs")
        lines.append(Literal(EncodeValues(model["pairUnits"])) + ",")
        lines.append("    // strict validity of single bytes, then of pairs")
        lines.append(Literal(EncodeBits(model["singleStrict"] + model["pairStrict"])) + ",")
        lines.append("    // to bytes")
        lines.append(Literal(toBytes) + "},")
    lines += [
        "};",
        "",
        "const int kRecordedCodePageCount = %d;" % len(models),
        "",
        "}  // namespace idxfilter",
        "",
    ]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("recording")
    parser.add_argument("output")
    args = parser.parse_args()
    try:
        models = [BuildModel(page) for page in ReadRecording(args.recording)]
    except ModelError as error:
        sys.exit("generate_tables: %s" % error)
    text = Generate(models)
    with open(args.output, "w", newline="\n") as out:
        out.write(text)


if __name__ == "__main__":
    main()
