#include "rtf/font_table.h"

#include "rtf/font_number_index.h"
#include "rtf/hyperlink.h"
#include "rtf/level_start_stack.h"
#include "rtf/token_reader.h"

namespace idxfilter {
namespace {

constexpr std::string_view kFontWord = "\\f";
constexpr std::string_view kCharsetWord = "\\fcharset";

std::string_view WithoutTrailingControlBytes(std::string_view token) {
    while (!token.empty() && static_cast<unsigned char>(token.back()) <= ' ') token.remove_suffix(1);
    return token;
}

// The name accumulators of all open levels share one string: a nested
// level's text always follows its parent's and is removed when it ends.
// Levels opened one inside the other with no text between them start at
// the same place and are kept as one count, so that a run of braces costs
// nothing per brace.
class NameAccumulators {
public:
    NameAccumulators() { OpenLevel(); }
    void OpenLevel() { starts.Open(text.size()); }
    // Ends the innermost level and returns its text (valid until the next
    // call).
    std::string_view CloseLevel() {
        std::size_t start = starts.Top();
        starts.Close();
        closed.assign(text, start);
        text.resize(start);
        return closed;
    }
    bool AllClosed() const { return starts.Empty(); }
    void Append(std::string_view bytes) { text.append(bytes); }

private:
    LevelStartStack starts;
    std::string text;
    std::string closed;
};

// A font-number word of the table. Of the entries of a number only the
// first decides how text in that font is decoded, and of the others only
// the last entry of the table can still change (its character set and
// name): a last entry that is neither gives way to the next one rather
// than staying behind, when the next is not a first either. A table of
// millions of repeated "\f1" words so keeps two entries. (Replacing it by
// a first would move a number's first entry, which the decoding may have
// looked up already.)
void AddFontWord(ConversionState& state, std::int32_t number) {
    FontList& fonts = state.fonts;
    FontNumberIndex& firstFonts = state.cache.firstFonts;
    firstFonts.CatchUp(fonts);
    bool lastIsSpare = !fonts.empty() && firstFonts.Find(fonts.back().number) != fonts.size() - 1;
    if (lastIsSpare && firstFonts.Find(number) != FontNumberIndex::kNone)
        fonts.back() = FontEntry{number, {}, 0};
    else
        AddFont(fonts, number);
}

void StoreName(FontList& fonts, std::string_view accumulated) {
    if (accumulated.empty()) return;
    accumulated.remove_suffix(1);  // normally the ";" that ends an entry
    if (!fonts.empty()) fonts.back().name.assign(accumulated);
}

}  // namespace

bool ParseControlNumber(std::string_view token, std::string_view prefix, std::int32_t& value) {
    // The prefixes are a few bytes long: compared here rather than by a
    // library call for every control word.
    if (token.size() <= prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (token[i] != prefix[i]) return false;
    std::string_view digits = token.substr(prefix.size());
    std::int64_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        if (number <= INT32_MAX) number = number * 10 + (c - '0');
    }
    value = number > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(number);
    return true;
}

void AddFont(FontList& fonts, std::int32_t number) { fonts.push_back({number, {}, 0}); }

void SetFontCharset(FontList& fonts, std::ptrdiff_t index, std::int32_t charset) {
    if (fonts.empty()) return;
    if (index < 0) {
        fonts.back().charset = charset;
    } else if (static_cast<std::size_t>(index) < fonts.size()) {
        fonts[static_cast<std::size_t>(index)].charset = charset;
    }
}

const FontEntry* FindFont(const FontList& fonts, std::int32_t number) {
    for (const FontEntry& entry : fonts)
        if (entry.number == number) return &entry;
    return nullptr;
}

FontTableEnd ReadFontTable(const char* pos, const char* end, ConversionState& state,
                           std::string& scratch) {
    NameAccumulators names;
    Token token;
    while (pos < end) {
        pos = ReadToken(pos, end, token, scratch);
        std::string_view t = token.text;
        if (t.empty()) continue;  // the text has ended, or an escape gave nothing
        // "{HYPERLINK" is name text here: the scanner reads it as an
        // instruction, never as a brace, and the table must end where the
        // scanner would see its end.
        if (t[0] == '{' && (t.size() == 1 || token.BeginsWithLiteralBrace()) && t != kHyperlinkToken) {
            names.OpenLevel();
            names.Append(t.substr(1));
        } else if (t[0] == '}' && (t.size() == 1 || token.BeginsWithLiteralBrace())) {
            StoreName(state.fonts, names.CloseLevel());
            if (names.AllClosed()) return {pos, t.substr(1), token.blankConsumed};
            names.Append(t.substr(1));
        } else if (t[0] == '\\') {
            t = WithoutTrailingControlBytes(t);
            std::int32_t value;
            if (ParseControlNumber(t, kFontWord, value)) {
                AddFontWord(state, value);
            } else if (ParseControlNumber(t, kCharsetWord, value)) {
                SetFontCharset(state.fonts, -1, value);
            } else if (t == "\\*") {
                // A destination inside the table ("\*\panose", "\*\falt"):
                // its group ends here, without a name.
                pos = SkipGroup(pos, end);
                names.CloseLevel();
                if (names.AllClosed()) return {pos, {}};
            }
        } else {
            names.Append(t);
        }
    }
    return {pos, {}};
}

}  // namespace idxfilter
