#include "loading/document_loader.h"

#include <algorithm>
#include <vector>

#include "text/utf8_codec.h"
#include "loading/text_encoding.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"
#include "platform/file_reading.h"

namespace idxfilter {
namespace {

// UTF-16 text is converted a slice at a time through a small buffer of
// units, so that its units and its UTF-8 never exist whole side by side.
constexpr std::size_t kSliceLength = std::size_t{1} << 16;

std::string Utf16FileToUtf8(std::string_view bytes, bool littleEndian) {
    // An odd last byte is ignored; a 0 unit ends the text. Units are encoded
    // each by itself, so a slice may end anywhere, even inside a pair.
    std::size_t unitCount = bytes.size() / 2;
    std::vector<char16_t> units(std::min(unitCount, kSliceLength));
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string utf8;
    // Room for one UTF-8 byte per unit, and an eighth more, covers most
    // texts in one allocation; the others grow from there.
    utf8.reserve(unitCount + unitCount / 8);
    for (std::size_t done = 0; done < unitCount;) {
        std::size_t count = std::min(unitCount - done, kSliceLength);
        for (std::size_t i = 0; i < count; ++i, p += 2)
            units[i] = littleEndian ? char16_t(p[0] | (p[1] << 8)) : char16_t((p[0] << 8) | p[1]);
        std::size_t length = UnitsBeforeZero(units.data(), count);
        AppendUnitsAsUtf8(units.data(), length, utf8);
        if (length != count) break;
        done += count;
    }
    return utf8;
}

// The ANSI text after a byte-order mark of `bomLength` bytes, up to its
// first NUL byte (the AnsiWideBuffer and Utf8Buffer of the text, in one
// step), converted in the file's own buffer where the platform can. The
// conversion itself ends the text there: a NUL byte, even after a lead
// byte, gives the 0 unit, after which nothing is kept. A lenient
// conversion fails only in a code page the platform cannot convert: the
// text is then empty.
std::string AnsiToUtf8(std::string fileBytes, std::size_t bomLength, unsigned codePage) {
    fileBytes.erase(0, bomLength);
    if (!ConvertCodePageToUtf8(codePage, 0, fileBytes)) fileBytes.clear();
    return fileBytes;
}

constexpr unsigned kSpareEighthsForAnsi = 1;

std::int64_t DecodeFile(std::string fileBytes, unsigned ansiCodePage, std::string& out) {
    DetectedEncoding detected = DetectEncoding(fileBytes);
    std::string_view text(fileBytes);
    text.remove_prefix(detected.bomLength);
    switch (detected.encoding) {
        case TextEncoding::Utf8:
            fileBytes.erase(0, detected.bomLength);
            out = std::move(fileBytes);
            break;
        case TextEncoding::Ansi:
            out = AnsiToUtf8(std::move(fileBytes), detected.bomLength, ansiCodePage);
            break;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            out = Utf16FileToUtf8(text, detected.encoding == TextEncoding::Utf16LE);
            break;
    }
    return static_cast<std::int64_t>(out.size());
}

}  // namespace

std::int64_t DocumentLoader::Load(std::string& out) const {
    // The ANSI code page as it is when the file is read.
    unsigned ansiCodePage = AnsiCodePage();
    std::string fileBytes;
    // Room for ANSI text to grow into UTF-8 in the file's own buffer: an
    // eighth more covers texts in Latin scripts. (Untouched, it costs no
    // memory.)
    if (!ReadWholeFile(path, fileBytes, kSpareEighthsForAnsi)) {
        out.clear();
        return -1;
    }
    return DecodeFile(std::move(fileBytes), ansiCodePage, out);
}

std::int64_t DocumentLoader::Decode(std::string fileBytes, std::string& out) {
    return DecodeFile(std::move(fileBytes), AnsiCodePage(), out);
}

}  // namespace idxfilter
