#include "rtf/percent_decoding.h"

#include "text/utf8_codec.h"
#include "rtf/hex_number.h"

namespace idxfilter {

std::string PercentDecode(std::string_view text) {
    constexpr char kUnreadable = '?';
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '+') {
            result.push_back(' ');
            ++i;
        } else if (c != '%') {
            result.push_back(c);
            ++i;
        } else if (i + 1 < text.size() && text[i + 1] == 'u') {
            if (text.size() - (i + 2) < 4) break;
            std::uint32_t value;
            char16_t unit = ScanHexNumber(text.data() + i + 2, 4, value)
                                ? static_cast<char16_t>(value & 0xFFFF)
                                : char16_t(kUnreadable);
            AppendUnitsAsUtf8(&unit, unit == 0 ? 0 : 1, result);
            i += 6;
        } else {
            if (text.size() - (i + 1) < 2) break;
            std::uint32_t value;
            result.push_back(ScanHexNumber(text.data() + i + 1, 2, value)
                                 ? static_cast<char>(value & 0xFF)
                                 : kUnreadable);
            i += 3;
        }
    }
    return result;
}

}  // namespace idxfilter
