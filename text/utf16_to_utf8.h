// UTF-16 units to UTF-8 for readers of the text: pairs joined, a lone
// surrogate (which no UTF-8 can hold) written as U+FFFD.
#pragma once

#include <cstddef>
#include <string>

namespace idxfilter {

// Writes the UTF-8 of the units at `p`, which has room for three bytes a
// unit and one more, and returns its end.
char* EncodeUtf16AsUtf8(const char16_t* units, std::size_t count, char* p);

std::string Utf16ToUtf8(const char16_t* units, std::size_t count);

}  // namespace idxfilter
