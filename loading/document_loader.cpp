#include "loading/document_loader.h"

#include <vector>

#include "loading/ansi_wide_buffer.h"
#include "loading/text_encoding.h"
#include "loading/utf8_buffer.h"
#include "platform/file_reading.h"

namespace idxfilter {
namespace {

std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian) {
    // An odd last byte is ignored; a 0 unit ends the text.
    std::size_t unitCount = bytes.size() / 2;
    std::vector<char16_t> units(unitCount + 1);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < unitCount; ++i, p += 2)
        units[i] = littleEndian ? char16_t(p[0] | (p[1] << 8)) : char16_t((p[0] << 8) | p[1]);
    units[unitCount] = 0;
    Utf8Buffer utf8(units.data(), false);
    return utf8.Take();
}

std::string AnsiToUtf8(std::string_view bytes) {
    AnsiWideBuffer wide(bytes, true);
    Utf8Buffer utf8(false);
    utf8.Append(wide.CStr());
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
