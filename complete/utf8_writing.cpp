#include "complete/utf8_writing.h"

#include <algorithm>

#include "text/utf8_codec.h"

namespace idxfilter::complete {

void AppendUtf16(std::string& out, const char16_t* units, std::size_t count) {
    // The shared encoder joins pairs and replaces lone surrogates; the zero
    // units it writes as zero bytes, rare in text, are taken out after.
    std::size_t start = out.size();
    out.resize(start + 3 * count + 1);
    char* end = EncodeUtf16AsUtf8(units, count, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
    if (out.find('\0', start) != std::string::npos)
        out.erase(std::remove(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '\0'), out.end());
}

void AppendUtf8(std::string& out, std::string_view bytes) {
    if (IsStrictUtf8(bytes) && bytes.find('\0') == std::string_view::npos) {
        out.append(bytes);
        return;
    }
    // The shared decoder replaces every ill-formed sequence by one U+FFFD
    // and lets surrogate forms through as units, which AppendUtf16 pairs
    // or replaces.
    char16_t pending[2];
    std::size_t held = 0;
    auto flush = [&] {
        AppendUtf16(out, pending, held);
        held = 0;
    };
    auto begin = reinterpret_cast<const unsigned char*>(bytes.data());
    idxfilter::DecodeUtf8(begin, begin + bytes.size(), [&](char16_t unit) {
        if (held == 1 && !(pending[0] >= 0xD800 && pending[0] <= 0xDBFF && unit >= 0xDC00 && unit <= 0xDFFF))
            flush();
        pending[held++] = unit;
        if (held == 2 || !(unit >= 0xD800 && unit <= 0xDBFF)) flush();
    });
    flush();
}

bool IsStrictUtf8(std::string_view text) {
    auto p = reinterpret_cast<const unsigned char*>(text.data());
    auto end = p + text.size();
    while (p < end) {
        unsigned lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::size_t n = SequenceLength(static_cast<unsigned char>(lead));
        if (n == 1 || static_cast<std::size_t>(end - p) < n) return false;
        unsigned lower = 0x80, upper = 0xBF;
        if (lead == 0xE0) lower = 0xA0;
        if (lead == 0xED) upper = 0x9F;
        if (lead == 0xF0) lower = 0x90;
        if (lead == 0xF4) upper = 0x8F;
        if (p[1] < lower || p[1] > upper) return false;
        for (std::size_t k = 2; k < n; ++k)
            if ((p[k] & 0xC0) != 0x80) return false;
        p += n;
    }
    return true;
}

}  // namespace idxfilter::complete
