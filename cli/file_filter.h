// Running the filter on one file: the exact reader the way a host does,
// through the export idx_filter with a sink that copies the text it is
// lent; the complete reader through the same extraction as the library's
// second function.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/filter_input.h"
#include "cli/reading_options.h"
#include "extraction/document_extraction.h"

namespace idxfilter::cli {

enum class TextForm {
    Utf8,            // for people, JSON and the index (see Utf16ToDisplayUtf8)
    Utf16LittleEndian  // exactly the delivered units
};

struct FilteredText {
    std::int64_t result = -1;  // UTF-16 units delivered (idx_filter's result)
    std::string text;          // in the requested form; empty when result < 0
    std::string reason;        // why nothing was delivered; empty otherwise
    std::vector<DocumentProperty> properties;  // the complete reader's
};

// Safe to call from several threads at once (the filter keeps no state).
// An input that could not be opened gives -1 and its reason.
FilteredText FilterFile(const FilterInput& input, TextForm form, const ReadingOptions& reading);

// The same, but the text goes straight to `out` while the filter lends it,
// and the result's text stays empty: for output in the order of the calls.
// Write errors show in the stream's error state.
FilteredText FilterFileTo(const FilterInput& input, TextForm form, const ReadingOptions& reading, std::FILE* out);

}  // namespace idxfilter::cli
