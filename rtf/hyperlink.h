// Hyperlink fields: the target of a "{HYPERLINK "..."}" instruction is
// noted after the visible text of the field, as " (target) ".
#pragma once

#include <string>
#include <string_view>

#include "rtf/conversion_state.h"

namespace idxfilter {

// The token that begins a hyperlink instruction: an opening brace with the
// word glued to it. Unlike every other brace with text glued to it, it
// opens no group, in the scanner and in the font table alike.
inline constexpr std::string_view kHyperlinkToken = "{HYPERLINK";

// Reads a target from `pos`: the bytes up to the second double quote
// (which is consumed), or up to a brace or the end (neither consumed).
// The first double quote is not stored; every other byte is.
const char* ReadQuotedText(const char* pos, const char* end, std::string& text);

// Makes `target` the pending link, replacing one not yet emitted.
void SetLinkTarget(ConversionState& state, std::string_view target);

// When text is pending: decodes every run into the output in order, then
// the pending link's note (unless the output already ends with the
// target), and clears both. With no pending text it does nothing at all,
// so a link waits for the text that follows it.
void FlushRuns(ConversionState& state);

}  // namespace idxfilter
