// The signatures of well-known binary formats, for telling a binary file
// from plain text before its bytes are read as text.
#pragma once

#include <string_view>

namespace idxfilter::complete {

// The short name of the binary format whose signature `bytes` begin with
// ("elf", "pe", "png", "zip", "pdf", ...), or an empty view when they
// begin with none. Signatures that plain text could begin with ("MZ",
// "BM", "BZh") count only with the binary header fields that follow them,
// so that a text starting with those letters stays text.
std::string_view BinaryFormatOf(std::string_view bytes);

}  // namespace idxfilter::complete
