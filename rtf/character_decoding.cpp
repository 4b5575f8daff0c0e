#include "rtf/character_decoding.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "text/ascii.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"
#include "platform/keeps_ascii.h"
#include "rtf/font_table.h"

namespace idxfilter {
namespace {

const FontEntry* FindFontCached(const ConversionState& state, std::int32_t number) {
    FontNumberIndex& index = state.cache.firstFonts;
    index.CatchUp(state.fonts);
    std::size_t position = index.Find(number);
    return position == FontNumberIndex::kNone ? nullptr : &state.fonts[position];
}

// KeepsAscii, asked once per code page and flags for the document.
bool KeepsAsciiCached(const ConversionState& state, unsigned codePage, unsigned flags) {
    auto [entry, added] = state.cache.asciiUnchanged.try_emplace({codePage, flags}, true);
    if (added) entry->second = KeepsAscii(codePage, flags);
    return entry->second;
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
    decoding.keepsAscii = KeepsAsciiCached(state, decoding.codePage, decoding.flags);
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
// before the first 0 unit. A strict conversion that the platform refuses
// appends nothing at all; a lenient one never fails on a byte. An ASCII
// prefix, which converts to itself, is copied rather than converted.
void AppendConverted(const ConversionState& state, std::string_view bytes, const FontDecoding& decoding,
                     std::string& out) {
    std::size_t prefix = decoding.keepsAscii ? AsciiPrefixLength(bytes.data(), bytes.size()) : 0;
    std::string_view rest = bytes.substr(prefix);
    if (rest.empty()) {
        out.append(bytes);
        return;
    }
    // Where the platform converts straight to UTF-8, the units are never
    // stored; where it declines, the conversion below decides.
    std::size_t start = out.size();
    out.append(bytes.substr(0, prefix));
    if (AppendMultiByteAsUtf8(decoding.codePage, decoding.flags, rest.data(), rest.size(), out)) return;
    out.resize(start);
    if (rest.size() > INT_MAX) return;
    // No code page gives more units than bytes, so one call with room for
    // as many units as bytes converts the run without a size query.
    int byteCount = static_cast<int>(rest.size());
    DecodingCache::UnitVector& units = state.cache.units;
    if (units.size() < rest.size()) units.resize(rest.size());
    int written = MultiByteToWide(decoding.codePage, decoding.flags, rest.data(), byteCount, units.data(), byteCount);
    if (written <= 0) return;
    std::size_t length = UnitsBeforeZero(units.data(), static_cast<std::size_t>(written));
    out.append(bytes.substr(0, prefix));
    AppendUnitsAsUtf8(units.data(), length, out);
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
    AppendConverted(state, bytes.substr(0, length), decoding, out);
}

}  // namespace idxfilter
