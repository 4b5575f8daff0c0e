// Text of a single-byte code page turned into UTF-8 through a table of
// what each byte becomes, without the platform's conversion call per
// stretch of text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace idxfilter {

class SingleByteToUtf8 {
public:
    // True when a table of the units each byte converts to (as
    // SingleByteUnits gives it) can stand for the conversion of text
    // without NUL: bytes 01 to 7F stay themselves and no byte becomes the
    // 0 unit, which would end the text.
    static bool Serves(const char16_t (&units)[256]);

    explicit SingleByteToUtf8(const char16_t (&units)[256]);

    // Appends to `out` the UTF-8 of `bytes` (no NUL among them), each
    // byte's unit encoded by itself as Utf8Buffer does.
    void Append(std::string_view bytes, std::string& out) const;

    // The UTF-8, as Append writes it, of `text` up to its first NUL byte.
    // Converted within the text's own buffer when its capacity holds the
    // result, so that no second buffer of the text's size is needed.
    std::string Convert(std::string text) const;

private:
    std::size_t Utf8Length(std::string_view bytes) const;

    // Rewrites the `size` bytes at `text` as their UTF-8, `total` bytes,
    // in place, from the end backwards.
    void ExpandInPlace(char* text, std::size_t size, std::size_t total) const;

    // For bytes 80 to FF: the UTF-8 bytes of its unit, padded to four, and
    // their number.
    char encoded[128][4];
    std::uint8_t length[128];
};

}  // namespace idxfilter
