// The RTF tokenizer: braces, control words with their parameter, control
// symbols, \'hh escapes, \bin data and runs of plain text, read in one
// pass without ever looking back.
//
// Rules, after the RTF 1.9.1 syntax and what readers of it agree on:
// - A control word is a backslash, a run of ASCII letters of any length,
//   an optional parameter ("-" and decimal digits) and one optional blank
//   that belongs to the word. The parameter ends at the first non-digit,
//   letters included: "\rtf1foobar" is the word \rtf1 followed by the
//   text "foobar", as LibreOffice reads it (the text would otherwise be
//   lost into a word no reader knows). A parameter beyond the range of a
//   32-bit integer is clamped; its digits are still consumed.
// - A control symbol is a backslash and one other character; it takes no
//   blank. A backslash before CR or LF is a paragraph break.
// - \'hh gives the byte of its (up to two) hexadecimal digits.
// - \binN takes the N bytes after its blank as data, whatever they are
//   (braces and backslashes included); N beyond the input takes the rest,
//   a negative N takes none.
// - Raw bytes below 0x20 (CR, LF, TAB, NUL and the others) are no text
//   and are passed over.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace idxfilter::complete {

enum class TokenKind : std::uint8_t {
    kEnd,
    kText,        // plain bytes: no backslash, brace or byte below 0x20
    kGroupOpen,
    kGroupClose,
    kWord,        // name and, when hasParameter, parameter
    kSymbol,      // symbol: the character after the backslash
    kHexByte,     // byte
    kBinary,      // text: the data, already passed over
};

struct Token {
    TokenKind kind = TokenKind::kEnd;
    bool hasParameter = false;
    char symbol = 0;
    unsigned char byte = 0;
    std::int32_t parameter = 0;
    std::string_view text;  // kText, kWord (the name), kBinary
};

// Parameters are clamped to this magnitude.
inline constexpr std::int64_t kParameterLimit = 2147483647;

namespace tokenizer_detail {

inline bool IsLetter(unsigned char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }
inline bool IsDigit(unsigned char c) { return static_cast<unsigned char>(c - '0') < 10; }

// True for the bytes that end a run of plain text.
inline bool EndsText(unsigned char c) { return c < 0x20 || c == '\\' || c == '{' || c == '}'; }

// A word whose every byte lacks the bytes that end text: eight bytes at a
// time, with the usual has-zero-byte test on each of the four patterns.
inline bool WordHasTextEnd(std::uint64_t w) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    auto hasZero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    // Bytes below 0x20: (b - 0x20) borrows into the high bit, unless the
    // byte itself has its high bit set.
    std::uint64_t below = (w - 0x20 * kOnes) & ~w & kHighs;
    return (below | hasZero(w ^ (0x5C * kOnes)) | hasZero(w ^ (0x7B * kOnes)) | hasZero(w ^ (0x7D * kOnes))) != 0;
}

inline const char* FindTextEnd(const char* p, const char* end) {
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (WordHasTextEnd(w)) break;
        p += 8;
    }
    while (p < end && !EndsText(static_cast<unsigned char>(*p))) ++p;
    return p;
}

inline int HexValue(unsigned char c) {
    if (IsDigit(c)) return c - '0';
    unsigned char lower = c | 0x20;
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

}  // namespace tokenizer_detail

class Tokenizer {
public:
    explicit Tokenizer(std::string_view input) : pos(input.data()), end(input.data() + input.size()) {}

    // Reads the next token into `token`; kEnd when the input is used up.
    void Next(Token& token) {
        using namespace tokenizer_detail;
        for (;;) {
            if (pos >= end) {
                token.kind = TokenKind::kEnd;
                return;
            }
            unsigned char c = static_cast<unsigned char>(*pos);
            if (c == '\\') return ReadControl(token);
            if (c == '{' || c == '}') {
                token.kind = c == '{' ? TokenKind::kGroupOpen : TokenKind::kGroupClose;
                ++pos;
                return;
            }
            if (c < 0x20) {
                ++pos;
                continue;
            }
            const char* start = pos;
            pos = FindTextEnd(pos + 1, end);
            token.kind = TokenKind::kText;
            token.text = std::string_view(start, static_cast<std::size_t>(pos - start));
            return;
        }
    }

    const char* Position() const { return pos; }

private:
    void ReadControl(Token& token) {
        using namespace tokenizer_detail;
        ++pos;  // the backslash
        if (pos >= end) {
            token.kind = TokenKind::kSymbol;
            token.symbol = 0;
            return;
        }
        unsigned char c = static_cast<unsigned char>(*pos);
        if (IsLetter(c)) return ReadWord(token);
        ++pos;
        if (c == '\'') return ReadHexEscape(token);
        token.kind = TokenKind::kSymbol;
        token.symbol = c == '\r' ? '\n' : static_cast<char>(c);
    }

    void ReadHexEscape(Token& token) {
        using namespace tokenizer_detail;
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos < end) {
            int digit = HexValue(static_cast<unsigned char>(*pos));
            if (digit < 0) break;
            value = value * 16 + digit;
            ++pos;
            ++digits;
        }
        if (digits == 0) {
            token.kind = TokenKind::kSymbol;
            token.symbol = '\'';
            return;
        }
        token.kind = TokenKind::kHexByte;
        token.byte = static_cast<unsigned char>(value);
    }

    void ReadWord(Token& token) {
        using namespace tokenizer_detail;
        const char* start = pos;
        while (pos < end && IsLetter(static_cast<unsigned char>(*pos))) ++pos;
        token.kind = TokenKind::kWord;
        token.text = std::string_view(start, static_cast<std::size_t>(pos - start));
        token.hasParameter = false;
        token.parameter = 0;
        ReadParameter(token);
        if (pos < end && *pos == ' ') ++pos;
        if (token.text == "bin") ReadBinary(token);
    }

    void ReadParameter(Token& token) {
        using namespace tokenizer_detail;
        const char* p = pos;
        bool negative = false;
        if (p < end && *p == '-') {
            negative = true;
            ++p;
        }
        if (p >= end || !IsDigit(static_cast<unsigned char>(*p))) return;
        std::int64_t value = 0;
        for (; p < end && IsDigit(static_cast<unsigned char>(*p)); ++p) {
            value = value * 10 + (*p - '0');
            if (value > kParameterLimit) value = kParameterLimit;
        }
        pos = p;
        token.hasParameter = true;
        token.parameter = static_cast<std::int32_t>(negative ? -value : value);
    }

    void ReadBinary(Token& token) {
        std::size_t available = static_cast<std::size_t>(end - pos);
        std::size_t length = token.parameter > 0 ? static_cast<std::size_t>(token.parameter) : 0;
        if (length > available) length = available;
        token.kind = TokenKind::kBinary;
        token.text = std::string_view(pos, length);
        pos += length;
    }

    const char* pos;
    const char* end;
};

}  // namespace idxfilter::complete
