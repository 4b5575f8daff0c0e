// Writing delivered UTF-16 text for people and pipes.
#pragma once

#include <cstddef>
#include <string>

namespace idxfilter::cli {

// UTF-8 with surrogate pairs joined into one character; an unpaired
// surrogate becomes U+FFFD.
std::string Utf16ToDisplayUtf8(const char16_t* units, std::size_t count);

// The units as little-endian byte pairs, whatever the machine's order.
std::string Utf16ToLittleEndianBytes(const char16_t* units, std::size_t count);

}  // namespace idxfilter::cli
