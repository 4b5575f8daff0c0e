// The RTF token reader: control words and symbols, braces, stretches of
// text, and runs of hexadecimal escapes turned into bytes.
//
// Positions point into the prepared text, a byte sequence that ends with a
// terminating zero at `end` and holds no other zero byte. No operation
// moves a position past `end`.
#pragma once

#include <string>
#include <string_view>

namespace idxfilter {

struct Token {
    // The token's bytes: a view into the text, or into the reader's scratch
    // string when bytes had to be dropped or decoded. Valid until the next
    // ReadToken with the same scratch string.
    std::string_view text;
    // The bytes were decoded from hexadecimal escapes.
    bool escapeRun = false;
    // The token ended by consuming a blank (only tokens that begin with a
    // backslash or a brace do that).
    bool blankConsumed = false;

    bool Empty() const { return text.empty(); }
    bool Is(std::string_view bytes) const { return text == bytes; }
    // A token that begins with a brace the document wrote as such, as
    // opposed to one decoded from an escape.
    bool BeginsWithLiteralBrace() const {
        return !escapeRun && !text.empty() && (text[0] == '{' || text[0] == '}');
    }
};

// The token produced for a backslash followed by a line feed: RTF's other
// spelling of a paragraph break.
inline constexpr std::string_view kBackslashLineFeed = "\\\n";

// Reads the next token at `pos` and returns the position after what it
// consumed. An empty token means the text has ended (the position is then
// `end`) or that an escape run's first escape gave nothing.
const char* ReadToken(const char* pos, const char* end, Token& token, std::string& scratch);

// At a backslash-apostrophe escape with at least four bytes before `end`:
// stores its byte (0 when the two characters read as no number or as 0)
// and returns the position four bytes on. Elsewhere stores 0 and returns
// `pos` unchanged.
const char* ReadHexEscape(const char* pos, const char* end, unsigned char& byte);

// Returns the position just after the "}" that closes the group in which
// `pos` stands, counting every brace byte (escaped ones too), or `end`.
const char* SkipGroup(const char* pos, const char* end);

}  // namespace idxfilter
