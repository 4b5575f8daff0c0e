// AnsiWideBuffer: bytes in the system's ANSI code page converted to UTF-16
// by MultiByteToWide, the two steps taken literally. The product converts
// through AppendCodePageAsUtf8 instead; tests compare it with this.
#pragma once

#include <string_view>
#include <vector>

namespace idxfilter {

class AnsiWideBuffer {
public:
    explicit AnsiWideBuffer(bool terminated) : terminated(terminated) {}

    // Converts `text` up to its first NUL byte.
    AnsiWideBuffer(std::string_view text, bool terminated);

    // Replaces the units by the conversion of the NUL-terminated `text`.
    void Assign(const char* text);

    // Replaces the units by the conversion of `text` up to its first NUL.
    // The conversion is lenient (flags 0) in the code page that the system
    // names at this moment; a text it cannot convert gives no units.
    void Assign(std::string_view text);

    // Address of the first unit. Throws the "Unavailable!" exception for a
    // buffer made without terminator.
    const char16_t* CStr() const;

    const std::vector<char16_t>& Units() const { return units; }

    const bool terminated;

private:
    std::vector<char16_t> units;
};

}  // namespace idxfilter
