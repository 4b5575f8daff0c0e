// AnsiBuffer: UTF-16 converted to the system's ANSI code page. Characters
// the code page lacks become its best-fit or default character.
#pragma once

#include <cstddef>
#include <string>

namespace idxfilter {

class AnsiBuffer {
public:
    // Converts the units up to the first 0 unit. A null pointer leaves the
    // buffer empty, without terminator even when `terminated` is set.
    AnsiBuffer(const char16_t* units, bool terminated);

    // Converts exactly `count` units (a 0 unit among them ends the text).
    AnsiBuffer(const char16_t* units, std::size_t count, bool terminated);

    // The bytes up to the first 0 byte.
    std::string Str() const;

    // The bytes up to the first 0 byte; the buffer is left empty.
    std::string TakeStr();

    const bool terminated;

private:
    void Convert(const char16_t* units, std::size_t count);

    std::string bytes;
};

}  // namespace idxfilter
