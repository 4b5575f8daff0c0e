// Document text collected in runs per font, and decoded into UTF-8 in the
// code page of each run's font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rtf/conversion_state.h"

namespace idxfilter {

// Adds `bytes` to the pending runs under the current font. Once the font
// table is final, runs that have ended (a run of another font begins) are
// decoded into the output there and then: nothing could change their
// decoding before their group ends, so the output is the same.
void AppendText(ConversionState& state, std::string_view bytes);

// Decodes every pending run into the output, in order, and clears them.
void DecodeRuns(ConversionState& state);

// Appends the UTF-8 form of `bytes`, written in font `font`, to `out`:
// - no font (negative), a font the table lacks, or a font whose character
//   set has no code page: the system's ANSI code page, leniently, up to
//   the first zero byte;
// - otherwise the character set's code page, strictly: when the platform
//   refuses any of it (an invalid sequence, or a code page such as 42 that
//   refuses the strict flag), nothing at all is appended.
void DecodeRun(const ConversionState& state, std::string_view bytes, std::int32_t font,
               std::string& out);

}  // namespace idxfilter
