#include "cli/text_output.h"

namespace idxfilter::cli {
namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendCodePoint(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::string Utf16ToDisplayUtf8(const char16_t* units, std::size_t count) {
    std::string out;
    out.reserve(count + count / 2);
    for (std::size_t i = 0; i < count; ++i) {
        char16_t u = units[i];
        if (u < 0x80) {
            // Runs of ASCII, the bulk of most texts, are copied in one go.
            std::size_t runEnd = i + 1;
            while (runEnd < count && units[runEnd] < 0x80) ++runEnd;
            std::size_t start = out.size();
            out.resize(start + (runEnd - i));
            for (char* p = out.data() + start; i < runEnd; ++i) *p++ = char(units[i]);
            --i;
        } else if (IsHighSurrogate(u) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
            AppendCodePoint(0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            AppendCodePoint(0xFFFD, out);
        } else {
            AppendCodePoint(u, out);
        }
    }
    return out;
}

std::string Utf16ToLittleEndianBytes(const char16_t* units, std::size_t count) {
    std::string out(count * 2, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = char(units[i] & 0xFF);
        out[2 * i + 1] = char(units[i] >> 8);
    }
    return out;
}

}  // namespace idxfilter::cli
