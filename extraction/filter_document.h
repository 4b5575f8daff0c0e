// The export's work, with the kind of failure kept for callers inside the
// portable product (the command-line tool), which must tell a transient
// failure from a document that has no text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "idxfilter.h"

namespace idxfilter {

enum class FilterFailure {
    None,         // the text was delivered
    NoText,       // unreadable, not a regular file, or nothing to deliver
    OutOfMemory,  // the process could not hold what the document needs
    TooLarge,     // the text has more units than the result can count
    Other         // anything else thrown, by the filter or by the sink
};

// What idx_filter does, with `failure` (if not null) set to why nothing
// was delivered. Never throws.
int32_t FilterDocument(const char* path, idx_text_sink sink, void* user, FilterFailure* failure);

// Receives the text as the export's sink does, with the number of units
// before the terminating 0 unit: a caller that is told the length need not
// search for the terminator, and never reads past it to find it quickly.
using CountedTextSink = void (*)(const char16_t* units, std::size_t count, void* user);

// FilterDocument for callers inside the product that take the count.
int32_t FilterDocument(const char* path, CountedTextSink sink, void* user, FilterFailure* failure);

}  // namespace idxfilter
