#include "rtf/character_decoding.h"

#include <algorithm>
#include <climits>

#include "platform/code_pages.h"
#include "rtf/font_table.h"

namespace idxfilter {
namespace {

const FontEntry* FindFontCached(const ConversionState& state, std::int32_t number) {
    FontNumberIndex& index = state.cache.firstFonts;
    index.CatchUp(state.fonts);
    std::size_t position = index.Find(number);
    return position == FontNumberIndex::kNone ? nullptr : &state.fonts[position];
}

using FontDecoding = DecodingCache::FontDecoding;

FontDecoding WorkOutFontDecoding(const ConversionState& state, std::int32_t font) {
    FontDecoding decoding;
    decoding.font = font;
    decoding.fontsSize = state.fonts.size();
    decoding.entry = font < 0 ? nullptr : FindFontCached(state, font);
    auto codePage = state.charsetCodePages.end();
    if (decoding.entry) {
        decoding.charset = decoding.entry->charset;
        codePage = state.charsetCodePages.find(decoding.charset);
    }
    // Writers declare character sets the table lacks (Mac's 256,
    // Vietnamese 163, ...); their text is read like text of no known font
    // rather than dropped.
    decoding.ansi = codePage == state.charsetCodePages.end();
    decoding.codePage = decoding.ansi ? AnsiCodePage() : static_cast<unsigned>(codePage->second);
    decoding.flags = decoding.ansi ? 0 : kStrictConversion;
    return decoding;
}

const FontDecoding& FontDecodingFor(const ConversionState& state, std::int32_t font) {
    FontDecoding& recent = state.cache.recentFonts[static_cast<std::uint32_t>(font) % state.cache.recentFonts.size()];
    bool holds = recent.font == font && recent.fontsSize == state.fonts.size() &&
                 (recent.entry == nullptr || recent.entry->charset == recent.charset);
    if (!holds) recent = WorkOutFontDecoding(state, font);
    return recent;
}

// Converts `bytes` as `decoding` says and appends the UTF-8 of the units
// before the first 0 unit (the AnsiWideBuffer or strict conversion and the
// Utf8Buffer of the run, in one step). A strict conversion that the
// platform refuses appends nothing at all; a lenient one never fails on a
// byte. Runs too long for the platform's count are left out, as the
// platform would refuse them.
void AppendConverted(std::string_view bytes, const FontDecoding& decoding, std::string& out) {
    if (bytes.size() > INT_MAX) return;
    AppendCodePageAsUtf8(decoding.codePage, decoding.flags, bytes, out);
}

}  // namespace

void AppendText(ConversionState& state, std::string_view bytes) {
    if (state.fontTableFinal && !state.runs.Empty() && state.runs.LastFont() != state.currentFont)
        DecodeRuns(state);
    state.runs.Append(state.currentFont, bytes);
}

void DecodeRuns(ConversionState& state) {
    for (std::size_t i = 0; i < state.runs.Count(); ++i) {
        TextRun run = state.runs[i];
        DecodeRun(state, run.bytes, run.font, state.output);
    }
    state.runs.Clear();
}

void DecodeRun(const ConversionState& state, std::string_view bytes, std::int32_t font,
               std::string& out) {
    const FontDecoding& decoding = FontDecodingFor(state, font);
    std::size_t length = decoding.ansi ? std::min(bytes.size(), bytes.find('\0')) : bytes.size();
    AppendConverted(bytes.substr(0, length), decoding, out);
}

}  // namespace idxfilter
