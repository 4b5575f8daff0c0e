// The entry into the RTF conversion.
#pragma once

#include <string>

namespace idxfilter {

// RTF documents (8 bytes or more, beginning exactly with "{\rtf") come back
// as their plain text in UTF-8; any other text comes back unchanged.
// `text` is UTF-8 as the document loader delivers it.
std::string ConvertRtfToText(std::string text);

}  // namespace idxfilter
