// One document read through the library's C interface (idx_extract_path),
// as any host of the shared library reads it: the reader and code page of
// the tool's options, the text as UTF-8 or as UTF-16, the properties, and
// the library's reason when there is no text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/document_property.h"
#include "cli/reading_options.h"

namespace idxfilter::cli {

enum class TextForm {
    Utf8,              // for people, JSON and the index (see Utf16ToDisplayUtf8)
    Utf16LittleEndian  // exactly the delivered units
};

struct LibraryText {
    std::int64_t result = -1;  // UTF-16 units delivered, or -1
    int reason = IDX_REASON_FAILED;  // enum idx_reason
    std::string text;  // in the requested form; empty when written to a stream or result < 0
    std::vector<DocumentProperty> properties;
};

// Reads the file at `path`. With `out`, the text is written there while the
// library lends it (write errors show in the stream's error state) and the
// result's text stays empty. Safe to call from several threads at once.
LibraryText ReadThroughLibrary(const std::string& path, const ReadingOptions& reading, TextForm form,
                               std::FILE* out = nullptr);

// Whether the library reads in `codePage` as the ANSI code page.
bool IsUsableAnsiCodePage(unsigned codePage);

}  // namespace idxfilter::cli
