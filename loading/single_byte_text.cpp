#include "loading/single_byte_text.h"

#include <algorithm>
#include <cstring>

#include "text/ascii.h"

namespace idxfilter {

bool SingleByteToUtf8::Serves(const char16_t (&units)[256]) {
    for (unsigned byte = 1; byte < 256; ++byte) {
        if (byte < 0x80 ? units[byte] != byte : units[byte] == 0) return false;
    }
    return true;
}

SingleByteToUtf8::SingleByteToUtf8(const char16_t (&units)[256]) {
    for (unsigned i = 0; i < 128; ++i) {
        char16_t unit = units[0x80 + i];
        char* e = encoded[i];
        std::memset(e, 0, sizeof encoded[i]);
        // A slot has the one byte of room beyond a three-byte form.
        char* end = unit < 0x80 ? e + 1 : StoreUtf8OfUnitAbove7F(unit, e);
        if (unit < 0x80) e[0] = static_cast<char>(unit);
        length[i] = static_cast<std::uint8_t>(end - e);
    }
}

std::size_t SingleByteToUtf8::Utf8Length(std::string_view bytes) const {
    std::size_t total = bytes.size();
    for (std::size_t i = 0; i < bytes.size();) {
        i += AsciiPrefixLength(bytes.data() + i, bytes.size() - i);
        for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x80; ++i)
            total += length[static_cast<unsigned char>(bytes[i]) - 0x80] - 1u;
    }
    return total;
}

void SingleByteToUtf8::Append(std::string_view bytes, std::string& out) const {
    // Sized exactly first, with three bytes to spare: each character is
    // stored as four bytes, of which the next one overwrites the excess.
    std::size_t start = out.size();
    std::size_t total = Utf8Length(bytes);
    out.resize(start + total + 3);
    char* p = out.data() + start;
    const char* in = bytes.data();
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        std::size_t ascii = CopyAsciiPrefix(in + i, n - i, p);
        p += ascii;
        i += ascii;
        for (; i < n && static_cast<unsigned char>(in[i]) >= 0x80; ++i) {
            unsigned high = static_cast<unsigned char>(in[i]) - 0x80u;
            std::memcpy(p, encoded[high], 4);
            p += length[high];
        }
    }
    out.resize(start + total);
}

std::string SingleByteToUtf8::Convert(std::string text) const {
    text.resize(std::min(text.size(), text.find('\0')));
    std::size_t total = Utf8Length(text);
    if (total > text.capacity()) {
        std::string out;
        Append(text, out);
        return out;
    }
    std::size_t size = text.size();
    text.resize(total);
    ExpandInPlace(text.data(), size, total);
    return text;
}

void SingleByteToUtf8::ExpandInPlace(char* text, std::size_t size, std::size_t total) const {
    // A byte's UTF-8 starts where that of the bytes before it ends, never
    // before the byte itself: working from the end, each write lands on
    // bytes already read.
    char* out = text + total;
    std::size_t i = size;
    while (i > 0) {
        std::size_t ascii = AsciiSuffixLength(text, i);
        i -= ascii;
        out -= ascii;
        if (out != text + i) std::memmove(out, text + i, ascii);
        for (; i > 0 && static_cast<unsigned char>(text[i - 1]) >= 0x80; --i) {
            unsigned high = static_cast<unsigned char>(text[i - 1]) - 0x80u;
            out -= length[high];
            std::memcpy(out, encoded[high], length[high]);
        }
    }
}

}  // namespace idxfilter
