#include "rtf/token_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "rtf/hex_number.h"
#include "rtf/scan_kernels.h"

namespace idxfilter {
namespace {

bool BeginsWordOrBrace(unsigned char c) { return c == '\\' || c == '{' || c == '}'; }

// After a lone backslash, printable punctuation makes a two-byte control
// symbol ("\~", "\-", "\_", "\:", ...), so that the word behind it stays
// text. Letters start a control word, digits and the apostrophe belong to
// other forms, and "\*" keeps its own rule.
bool EndsControlSymbol(unsigned char c) {
    bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    bool digit = c >= '0' && c <= '9';
    return c > ' ' && c < 0x7F && !letter && !digit && c != '\'' && c != '*';
}

// The value of every hexadecimal digit, -1 for other bytes. A table, since
// the digits and letters of escapes follow no pattern a branch could learn.
constexpr auto kHexDigitValues = [] {
    std::array<signed char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        int lower = c | 0x20;
        table[c] = static_cast<signed char>(c >= '0' && c <= '9'         ? c - '0'
                                            : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10
                                                                           : -1);
    }
    return table;
}();

int HexDigit(unsigned char c) { return kHexDigitValues[c]; }

constexpr auto kLettersAndDigits = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || (c >= '0' && c <= '9');
    return table;
}();

bool IsLetterOrDigit(unsigned char c) { return kLettersAndDigits[c]; }

const char* ReadTextStretch(const char* pos, const char* end, Token& token, std::string& scratch) {
    const char* start = pos;
    pos = EndOfTextBytes(pos, end);  // rtf/scan_kernels.h
    if (pos == end || BeginsWordOrBrace(static_cast<unsigned char>(*pos))) {
        token.text = std::string_view(start, static_cast<std::size_t>(pos - start));
        return pos;
    }
    // Control bytes (line feeds among them) inside the stretch are dropped.
    scratch.assign(start, pos);
    while (pos < end) {
        unsigned char c = static_cast<unsigned char>(*pos);
        if (BeginsWordOrBrace(c)) break;
        if (c >= ' ') scratch.push_back(static_cast<char>(c));
        ++pos;
    }
    token.text = scratch;
    return pos;
}

// `apostrophe` follows a backslash or brace token and is not the last byte.
const char* ReadEscapeRun(const char* apostrophe, const char* end, Token& token,
                          std::string& scratch) {
    token.escapeRun = true;
    const char* pos = apostrophe + 1;
    const char* escape = apostrophe - 1;
    if (end - escape <= 4) return pos;
    // The run's bytes go straight into scratch, grown a stretch at a time
    // (as long as the run so far), rather than byte by byte through the
    // string's bookkeeping.
    constexpr std::size_t kFirstStretch = 32;
    std::size_t length = 0;
    scratch.clear();
    // The last escape of the text, with nothing after it, is never decoded.
    bool ended = false;
    while (!ended && end - escape > 4) {
        std::size_t stretch = std::max(length, kFirstStretch);
        scratch.resize(length + stretch);
        char* out = scratch.data() + length;
        char* const outEnd = out + stretch;
        while (outEnd - out >= 4 && end - escape > 4) {
            // Four plain escapes at once (rtf/scan_kernels.h), the common
            // case of a run of them.
            std::uint32_t four;
            if (end - escape > 16 && DecodeFourPlainEscapes(escape, four)) {
                std::memcpy(out, &four, 4);
                out += 4;
                pos = escape = escape + 16;
                continue;
            }
            unsigned char byte;
            const char* next = ReadHexEscape(escape, end, byte);
            if (byte == 0) {
                ended = true;
                break;
            }
            *out++ = static_cast<char>(byte);
            pos = escape = next;
        }
        length = static_cast<std::size_t>(out - scratch.data());
    }
    scratch.resize(length);
    token.text = scratch;
    return pos;
}

}  // namespace

const char* ReadToken(const char* pos, const char* end, Token& token, std::string& scratch) {
    token = Token{};
    while (pos < end && static_cast<unsigned char>(*pos) < ' ') ++pos;
    if (pos == end) return pos;
    if (!BeginsWordOrBrace(static_cast<unsigned char>(*pos)))
        return ReadTextStretch(pos, end, token, scratch);

    // A control word or symbol, or a brace with whatever is glued to it.
    const char* start = pos++;
    std::size_t length = 1;
    bool copying = false;  // bytes were dropped: the token lives in scratch
    bool loneBackslash = *start == '\\';
    auto append = [&](char c) {
        if (copying)
            scratch.push_back(c);
        else
            ++length;
        loneBackslash = false;
    };
    while (pos < end) {
        // Letters and digits, the body of every control word, are simply
        // kept; the rules below decide about every other byte.
        if (!copying && IsLetterOrDigit(static_cast<unsigned char>(*pos))) {
            do ++pos;
            while (pos < end && IsLetterOrDigit(static_cast<unsigned char>(*pos)));
            length = static_cast<std::size_t>(pos - start);
            loneBackslash = false;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(*pos++);
        if (c == '\n') {
            if (loneBackslash) {
                token.text = kBackslashLineFeed;
                return pos;
            }
            break;
        }
        if (c < ' ') {
            if (!copying) scratch.assign(start, length);
            copying = true;
            continue;
        }
        if (c == ' ') {
            token.blankConsumed = true;
            break;
        }
        if (BeginsWordOrBrace(c)) {
            if (loneBackslash) {
                append(static_cast<char>(c));
            } else {
                --pos;
            }
            break;
        }
        if (c == '\'' && pos < end) return ReadEscapeRun(pos - 1, end, token, scratch);
        bool symbol = loneBackslash && EndsControlSymbol(c);
        append(static_cast<char>(c));
        if (symbol) break;
    }
    token.text = copying ? std::string_view(scratch) : std::string_view(start, length);
    return pos;
}

const char* ReadHexEscape(const char* pos, const char* end, unsigned char& byte) {
    byte = 0;
    if (end - pos < 4 || pos[0] != '\\' || pos[1] != '\'') return pos;
    // Two hexadecimal digits, by far the usual case, read the same whatever
    // the rules for signs, blanks and prefixes.
    int high = HexDigit(static_cast<unsigned char>(pos[2]));
    int low = HexDigit(static_cast<unsigned char>(pos[3]));
    if ((high | low) >= 0) {
        byte = static_cast<unsigned char>(high << 4 | low);
        return pos + 4;
    }
    std::uint32_t value;
    if (ScanHexNumber(pos + 2, 2, value)) byte = static_cast<unsigned char>(value & 0xFF);
    return pos + 4;
}

const char* SkipGroup(const char* pos, const char* end) {
    std::size_t depth = 1;
    for (; pos < end; ++pos) {
        if (*pos == '{') {
            ++depth;
        } else if (*pos == '}' && --depth == 0) {
            return pos + 1;
        }
    }
    return end;
}

}  // namespace idxfilter
