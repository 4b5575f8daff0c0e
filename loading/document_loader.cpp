#include "loading/document_loader.h"

#include <algorithm>
#include <vector>

#include "loading/ansi_wide_buffer.h"
#include "loading/text_encoding.h"
#include "loading/utf8_buffer.h"
#include "platform/file_reading.h"

namespace idxfilter {
namespace {

// Long texts are converted a slice at a time through a small UTF-16
// buffer, so that their whole UTF-16 form (twice the text) never exists
// and the slices stay in the cache between the two steps.
constexpr std::size_t kSliceLength = std::size_t{1} << 16;

// Room for one UTF-8 byte per input unit or byte, and an eighth more,
// covers most texts in one allocation; the others grow from there.
Utf8Buffer ReservedUtf8Buffer(std::size_t length) {
    Utf8Buffer utf8(false);
    utf8.Reserve(length + length / 8);
    return utf8;
}

std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian) {
    // An odd last byte is ignored; a 0 unit ends the text. Units are encoded
    // each by itself, so a slice may end anywhere, even inside a pair.
    std::size_t unitCount = bytes.size() / 2;
    std::vector<char16_t> units(std::min(unitCount, kSliceLength));
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    Utf8Buffer utf8 = ReservedUtf8Buffer(unitCount);
    for (std::size_t done = 0; done < unitCount;) {
        std::size_t count = std::min(unitCount - done, kSliceLength);
        for (std::size_t i = 0; i < count; ++i, p += 2)
            units[i] = littleEndian ? char16_t(p[0] | (p[1] << 8)) : char16_t((p[0] << 8) | p[1]);
        auto zero = std::find(units.begin(), units.begin() + count, u'\0');
        utf8.Append(units.data(), static_cast<std::size_t>(zero - units.begin()));
        if (zero != units.begin() + count) break;
        done += count;
    }
    return utf8.Take();
}

// Where a slice of ANSI text may end: just after a byte below 0x40. No
// ANSI code page uses such a byte as the lead or trail byte of a double-
// byte character (lead bytes start at 0x81, trail bytes at 0x40), nor
// UTF-8 as part of a longer sequence, so the conversion reads the bytes on
// each side of that point alike whether or not the text is cut there.
std::size_t AnsiSliceEnd(std::string_view text) {
    if (text.size() <= kSliceLength) return text.size();
    for (std::size_t i = kSliceLength; i > kSliceLength / 2; --i)
        if (static_cast<unsigned char>(text[i - 1]) < 0x40) return i;
    for (std::size_t i = kSliceLength; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x40) return i + 1;
    return text.size();
}

std::string AnsiToUtf8(std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
    Utf8Buffer utf8 = ReservedUtf8Buffer(bytes.size());
    AnsiWideBuffer wide(true);
    while (!bytes.empty()) {
        std::size_t end = AnsiSliceEnd(bytes);
        wide.Assign(bytes.substr(0, end));
        utf8.Append(wide.Units().data(), wide.Units().size());
        bytes.remove_prefix(end);
    }
    return utf8.Take();
}

}  // namespace

std::int64_t DocumentLoader::Load(std::string& out) const {
    std::string fileBytes;
    if (!ReadWholeFile(path, fileBytes)) {
        out.clear();
        return -1;
    }
    DetectedEncoding detected = DetectEncoding(fileBytes);
    std::string_view text(fileBytes);
    text.remove_prefix(detected.bomLength);
    switch (detected.encoding) {
        case TextEncoding::Utf8:
            fileBytes.erase(0, detected.bomLength);
            out = std::move(fileBytes);
            break;
        case TextEncoding::Ansi:
            out = AnsiToUtf8(text);
            break;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            out = Utf16ToUtf8(text, detected.encoding == TextEncoding::Utf16LE);
            break;
    }
    return static_cast<std::int64_t>(out.size());
}

}  // namespace idxfilter
