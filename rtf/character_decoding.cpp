#include "rtf/character_decoding.h"

#include <climits>
#include <vector>

#include "loading/ansi_wide_buffer.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"
#include "rtf/font_table.h"

namespace idxfilter {
namespace {

void DecodeAnsi(std::string_view bytes, std::string& out) {
    AnsiWideBuffer wide(bytes, true);
    const std::vector<char16_t>& units = wide.Units();
    AppendUnitsAsUtf8(units.data(), units.size() - 1, out);
}

void DecodeStrict(std::string_view bytes, unsigned codePage, std::string& out) {
    if (bytes.empty() || bytes.size() > INT_MAX) return;
    int byteCount = static_cast<int>(bytes.size());
    int count = MultiByteToWide(codePage, kStrictConversion, bytes.data(), byteCount, nullptr, 0);
    if (count <= 0) return;
    std::vector<char16_t> units(static_cast<std::size_t>(count) + 1);
    int written =
        MultiByteToWide(codePage, kStrictConversion, bytes.data(), byteCount, units.data(), count);
    if (written != count) return;
    Utf8Buffer utf8(units.data(), true);
    out.append(utf8.Str());
}

}  // namespace

void AppendText(ConversionState& state, std::string_view bytes) {
    state.runs.Append(state.currentFont, bytes);
}

void DecodeRun(const ConversionState& state, std::string_view bytes, std::int32_t font,
               std::string& out) {
    const FontEntry* entry = font < 0 ? nullptr : FindFont(state.fonts, font);
    if (entry == nullptr) return DecodeAnsi(bytes, out);
    auto codePage = state.charsetCodePages.find(entry->charset);
    // Writers declare character sets the table lacks (Mac's 256,
    // Vietnamese 163, ...); their text is read like text of no known font
    // rather than dropped.
    if (codePage == state.charsetCodePages.end()) return DecodeAnsi(bytes, out);
    DecodeStrict(bytes, static_cast<unsigned>(codePage->second), out);
}

}  // namespace idxfilter
