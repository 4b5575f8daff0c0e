// Running the filter on one file, through the library's C interface as a
// host calls it: the exact reader gives the export's text, the complete
// reader the document as its writer means it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/document_property.h"
#include "cli/filter_input.h"
#include "cli/library_reading.h"
#include "cli/reading_options.h"

namespace idxfilter::cli {

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
