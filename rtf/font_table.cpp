#include "rtf/font_table.h"

#include <vector>

#include "rtf/hyperlink.h"
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
    void OpenLevel() {
        if (!starts.empty() && starts.back().start == text.size())
            ++starts.back().levels;
        else
            starts.push_back({text.size(), 1});
    }
    // Ends the innermost level and returns its text (valid until the next
    // call).
    std::string_view CloseLevel() {
        std::size_t start = starts.back().start;
        if (--starts.back().levels == 0) starts.pop_back();
        closed.assign(text, start);
        text.resize(start);
        return closed;
    }
    bool AllClosed() const { return starts.empty(); }
    void Append(std::string_view bytes) { text.append(bytes); }

private:
    struct LevelStart {
        std::size_t start;
        std::size_t levels;
    };
    std::vector<LevelStart> starts;
    std::string text;
    std::string closed;
};

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
                AddFont(state.fonts, value);
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
