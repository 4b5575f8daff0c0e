#include "cli/stored_text_limit.h"

#include <cstdlib>

#include "cli/command_line.h"

namespace idxfilter::cli {

std::size_t StoredTextLimit() {
    static const std::size_t limit = [] {
        const char* value = std::getenv("IDXFILTER_TEST_TEXT_LIMIT");
        unsigned long parsed = 0;
        if (value && ParseNumber(value, 1, kStoredTextLimit, parsed)) return std::size_t(parsed);
        return kStoredTextLimit;
    }();
    return limit;
}

bool TruncateUtf8(std::string& text, std::size_t limit) {
    if (text.size() <= limit) return false;
    std::size_t end = limit;
    // Back to the first byte of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return true;
}

}  // namespace idxfilter::cli
