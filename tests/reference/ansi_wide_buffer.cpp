#include "tests/reference/ansi_wide_buffer.h"

#include <climits>
#include <cstring>

#include "text/unavailable.h"
#include "platform/code_pages.h"

namespace idxfilter {

AnsiWideBuffer::AnsiWideBuffer(std::string_view text, bool terminated) : terminated(terminated) {
    Assign(text);
}

void AnsiWideBuffer::Assign(const char* text) { Assign(std::string_view(text)); }

void AnsiWideBuffer::Assign(std::string_view text) {
    const void* nul = text.empty() ? nullptr : std::memchr(text.data(), 0, text.size());
    std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text.data())
                             : text.size();
    units.clear();
    // Lengths the platform call cannot take are a conversion it cannot do.
    if (length > 0 && length <= INT_MAX) {
        unsigned codePage = AnsiCodePage();
        int byteCount = static_cast<int>(length);
        int count = MultiByteToWide(codePage, 0, text.data(), byteCount, nullptr, 0);
        if (count > 0) {
            units.resize(static_cast<std::size_t>(count));
            MultiByteToWide(codePage, 0, text.data(), byteCount, units.data(), count);
        }
    }
    if (terminated) units.push_back(0);
}

const char16_t* AnsiWideBuffer::CStr() const {
    if (!terminated) ThrowUnavailable();
    return units.data();
}

}  // namespace idxfilter
