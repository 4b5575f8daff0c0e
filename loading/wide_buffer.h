// WideBuffer: UTF-8 bytes decoded into UTF-16 code units.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "text/uninitialized_allocator.h"

namespace idxfilter {

class WideBuffer {
public:
    using UnitVector = std::vector<char16_t, UninitializedAllocator<char16_t>>;

    // Decodes `text` up to its first NUL byte. Capacity for the byte length
    // plus one units is reserved first, which the decoding never exceeds.
    WideBuffer(std::string_view text, bool terminated);

    // Appends the decoding of the NUL-terminated `text` (never null), then
    // one 0 unit when the buffer is terminated. Clears `valid` when the
    // text was not well-formed UTF-8; the ill-formed parts become U+FFFD.
    void Decode(const char* text);

    // Address of the first unit. Throws the "Unavailable!" exception for a
    // buffer made without terminator.
    const char16_t* CStr() const;

    // Units held, the terminator included.
    std::size_t Size() const { return units.size(); }

    const UnitVector& Units() const { return units; }

    const bool terminated;
    bool valid = true;

private:
    void DecodeRange(const char* begin, const char* end);

    UnitVector units;
};

}  // namespace idxfilter
