// Utf8Buffer: UTF-16 code units encoded as UTF-8, each unit by itself.
//
// Surrogate units are not paired: each half is written as its own
// three-byte form (ED A0 80 to ED BF BF), which the filter's UTF-8 decoding
// reads back as the same unit. No byte-order mark is written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/ascii.h"

namespace idxfilter {

// UnitsBeforeZero, the number of units before the first 0 unit, is one of
// the text layer's kernels (text/ascii.h).

class Utf8Buffer {
public:
    explicit Utf8Buffer(bool terminated) : terminated(terminated) {}

    // Encodes the units up to the first 0 unit. A null pointer leaves the
    // buffer empty, without terminator even when `terminated` is set.
    Utf8Buffer(const char16_t* units, bool terminated);

    // Encodes `units` (never null) up to the first 0 unit, then appends one
    // 0 byte when terminated.
    void Append(const char16_t* units);

    // Encodes exactly `count` units (a 0 unit among them ends the text).
    void Append(const char16_t* units, std::size_t count);

    // Appends ASCII bytes, which are their own UTF-8, as they are.
    void AppendAscii(std::string_view ascii) { bytes.append(ascii); }

    // The bytes before the first 0 byte.
    std::string Str() const;

    // All bytes, the terminator included; the buffer is left empty.
    std::string Take() { return std::move(bytes); }
    // Room for `byteCount` bytes in all, so that appends up to it do not
    // reallocate.
    void Reserve(std::size_t byteCount) { bytes.reserve(byteCount); }

    const std::string& Bytes() const { return bytes; }

    const bool terminated;

private:
    std::string bytes;
};

}  // namespace idxfilter
