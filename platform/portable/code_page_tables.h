// The recorded code pages, compactly encoded by
// tools/codepages/generate_tables.py (which documents the encoding) and
// decoded once per code page by the portable backend.
#pragma once

namespace idxfilter {

struct RecordedCodePage {
    unsigned codePage;
    int leadByteCount;      // 0 for single-byte code pages
    bool countsUnmappable;  // a size query counts a unit it cannot convert as one byte
    const char* singles;    // 256 values: the unit each byte yields alone
    const char* leadBytes;  // run lengths over the 256 bytes
    const char* pairs;      // leadByteCount * 256 values, by lead then trail
    const char* strict;     // run lengths: strict validity of bytes, then pairs
    const char* toBytes;    // fill value, exceptions to the derived table
};

extern const RecordedCodePage kRecordedCodePages[];
extern const int kRecordedCodePageCount;

}  // namespace idxfilter
