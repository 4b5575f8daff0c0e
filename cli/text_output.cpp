#include "cli/text_output.h"

#include <algorithm>
#include <memory>

#include "text/utf8_codec.h"

namespace idxfilter::cli {
namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

}  // namespace

std::string Utf16ToDisplayUtf8(const char16_t* units, std::size_t count) { return Utf16ToUtf8(units, count); }

std::string Utf16ToLittleEndianBytes(const char16_t* units, std::size_t count) {
    std::string out(count * 2, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = char(units[i] & 0xFF);
        out[2 * i + 1] = char(units[i] >> 8);
    }
    return out;
}

void WriteUtf16(const char16_t* units, std::size_t count, bool utf8, std::FILE* out) {
    constexpr std::size_t kSlice = std::size_t{1} << 16;
    // One buffer for every slice, with room for three bytes a unit and one
    // more, left uninitialized: each slice is written before it is read.
    auto slice = std::make_unique_for_overwrite<char[]>(utf8 ? 3 * std::min(count, kSlice) + 1 : 0);
    while (count > 0) {
        std::size_t length = count < kSlice ? count : kSlice;
        // A pair is never cut in two: its halves would each become U+FFFD.
        if (length < count && IsHighSurrogate(units[length - 1])) --length;
        if (utf8) {
            char* end = EncodeUtf16AsUtf8(units, length, slice.get());
            std::fwrite(slice.get(), 1, static_cast<std::size_t>(end - slice.get()), out);
        } else {
            std::string bytes = Utf16ToLittleEndianBytes(units, length);
            std::fwrite(bytes.data(), 1, bytes.size(), out);
        }
        units += length;
        count -= length;
    }
}

}  // namespace idxfilter::cli
