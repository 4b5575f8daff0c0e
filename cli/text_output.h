// Writing delivered UTF-16 text for people and pipes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace idxfilter::cli {

// UTF-8 with surrogate pairs joined into one character; an unpaired
// surrogate becomes U+FFFD.
std::string Utf16ToDisplayUtf8(const char16_t* units, std::size_t count);

// The units as little-endian byte pairs, whatever the machine's order.
std::string Utf16ToLittleEndianBytes(const char16_t* units, std::size_t count);

// Writes the text in the form `utf8` (as Utf16ToDisplayUtf8) or as
// little-endian units to `out`, a slice at a time, so that no copy of the
// whole text is made. Write errors show in the stream's error state.
void WriteUtf16(const char16_t* units, std::size_t count, bool utf8, std::FILE* out);

}  // namespace idxfilter::cli
