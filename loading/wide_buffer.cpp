#include "loading/wide_buffer.h"

#include <cstring>

#include "text/unavailable.h"
#include "text/utf8_codec.h"

namespace idxfilter {

WideBuffer::WideBuffer(std::string_view text, bool terminated) : terminated(terminated) {
    if (text.empty()) text = "";
    const void* nul = std::memchr(text.data(), 0, text.size());
    const char* end = nul ? static_cast<const char*>(nul) : text.data() + text.size();
    units.reserve(static_cast<std::size_t>(end - text.data()) + 1);
    DecodeRange(text.data(), end);
}

void WideBuffer::Decode(const char* text) { DecodeRange(text, text + std::strlen(text)); }

void WideBuffer::DecodeRange(const char* begin, const char* end) {
    // Well-formed UTF-8 never yields more units than it has bytes, and each
    // replacement stands for at least one byte, so byte count plus one
    // bounds the growth; writing through a pointer avoids per-unit checks.
    std::size_t start = units.size();
    units.resize(start + static_cast<std::size_t>(end - begin) + 1);
    char16_t* out = units.data() + start;
    out = DecodeUtf8ToUnits(begin, end, out, valid);
    if (terminated) *out++ = 0;
    units.resize(static_cast<std::size_t>(out - units.data()));
}

const char16_t* WideBuffer::CStr() const {
    if (!terminated) ThrowUnavailable();
    return units.data();
}

}  // namespace idxfilter
