// The complete RTF reader on any bytes, as stored (code-page bytes) or as
// decoded UTF-8, under an ANSI code page chosen by the input.
//
// Invariants: the text and every property are well-formed UTF-8 without
// zero bytes; the text is at most 4 bytes per input byte plus 64 (no byte
// decodes to more than three UTF-8 bytes, and the notes for pictures,
// objects and links are shorter than the markup that produces them); and
// on a document of plain ASCII words made from the input, the complete
// and the exact readers give the same text.
#include <cstring>
#include <string>

#include "complete/rtf_reader.h"
#include "fuzz/fuzz_support.h"
#include "rtf/conversion_driver.h"

namespace {

// Well-formed UTF-8 in the strict sense (no surrogate, overlong or
// out-of-range forms), checked here independently of the reader.
bool IsWellFormedUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        char32_t c = b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

// Letters, digits and single blanks made from the input's bytes.
std::string PlainWords(const std::uint8_t* data, std::size_t size) {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    std::string words;
    for (std::size_t i = 0; i < size; ++i) {
        char c = kAlphabet[data[i] % (sizeof kAlphabet - 1)];
        if (c == ' ' && !words.empty() && words.back() == ' ') continue;
        words.push_back(c);
    }
    return words;
}

// Blanks and line ends at either end dropped, CRLF made LF.
std::string Comparable(const std::string& text) {
    std::string s;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) s.push_back(text[i]);
    std::size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    unsigned ansiCodePage = idxfilter::fuzz::UseAnsiCodePageFor(data, size);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool utf8Input = size > 0 && (data[size - 1] & 1) != 0;

    idxfilter::complete::RtfText result = idxfilter::complete::ReadRtf(input, ansiCodePage, utf8Input);
    FUZZ_CHECK(IsWellFormedUtf8(result.text));
    FUZZ_CHECK(std::memchr(result.text.data(), 0, result.text.size()) == nullptr);
    FUZZ_CHECK(result.text.size() <= 4 * size + 64);
    for (const auto& property : result.properties) {
        FUZZ_CHECK(IsWellFormedUtf8(property.value));
        FUZZ_CHECK(!property.value.empty());
    }

    const std::string plain = "{\\rtf1 " + PlainWords(data, size) + "}";
    std::string complete = idxfilter::complete::ReadRtf(plain, ansiCodePage).text;
    FUZZ_CHECK(Comparable(complete) == Comparable(idxfilter::ConvertRtfToText(plain)));
    return 0;
}
