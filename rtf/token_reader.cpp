#include "rtf/token_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rtf/hex_number.h"

namespace idxfilter {
namespace {

bool BeginsWordOrBrace(unsigned char c) { return c == '\\' || c == '{' || c == '}'; }

// Bytes a text stretch keeps as they stand: the blank and everything above
// it, except the backslash and the braces. A table, since text stretches
// are most of a document's bytes.
constexpr auto kTextBytes = [] {
    std::array<bool, 256> table{};
    for (int c = ' '; c < 256; ++c) table[c] = c != '\\' && c != '{' && c != '}';
    return table;
}();

bool IsTextByte(unsigned char c) { return kTextBytes[c]; }

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

// The end of the text bytes that start at `pos`: the first control byte,
// backslash or brace, or `end`. Sixteen bytes at a time where SSE2 is.
const char* EndOfTextBytes(const char* pos, const char* end) {
#if defined(__SSE2__)
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i open = _mm_set1_epi8('{');
    const __m128i close = _mm_set1_epi8('}');
    while (end - pos >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
        __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(block, lastControl), block);
        __m128i markup = _mm_or_si128(_mm_cmpeq_epi8(block, backslash),
                                      _mm_or_si128(_mm_cmpeq_epi8(block, open), _mm_cmpeq_epi8(block, close)));
        if (int stops = _mm_movemask_epi8(_mm_or_si128(control, markup)))
            return pos + __builtin_ctz(static_cast<unsigned>(stops));
        pos += 16;
    }
#endif
    while (pos < end && IsTextByte(static_cast<unsigned char>(*pos))) ++pos;
    return pos;
}

const char* ReadTextStretch(const char* pos, const char* end, Token& token, std::string& scratch) {
    const char* start = pos;
    pos = EndOfTextBytes(pos, end);
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

#if defined(__SSE2__)
// Four escapes of the plain form, a backslash, an apostrophe and two
// hexadecimal digits giving a byte other than 0, at `escape`: their bytes
// in `bytes` (first escape in the lowest byte), and true. False, with
// `bytes` unset, when any of the sixteen bytes differs from that form;
// the escapes are then read one at a time.
bool DecodeFourPlainEscapes(const char* escape, std::uint32_t& bytes) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(escape));
    // Each 32-bit lane holds one escape: "\\", "'", high digit, low digit.
    const __m128i markers = _mm_set1_epi32(0x275C);
    const __m128i markerBytes = _mm_set1_epi32(0xFFFF);
    bool marked = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(block, markerBytes), markers)) == 0xFFFF;
    const __m128i digit = _mm_sub_epi8(block, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(block, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    constexpr int kDigitPositions = 0xCCCC;  // bytes 2 and 3 of every lane
    bool digits = (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) & kDigitPositions) == kDigitPositions;
    if (!marked || !digits) return false;
    const __m128i values = _mm_or_si128(_mm_and_si128(isDigit, digit),
                                        _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    // Per lane: the high digit's value, at bits 16-19, moved to bits 4-7,
    // joined by the low digit's, at bits 24-27, moved to bits 0-3.
    const __m128i lanes = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(values, 12), _mm_set1_epi32(0xF0)),
                                       _mm_srli_epi32(values, 24));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(lanes, lanes), lanes);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(packed, _mm_setzero_si128())) & 0xF) return false;
    bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(packed));
    return true;
}
#endif

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
#if defined(__SSE2__)
            std::uint32_t four;
            if (end - escape > 16 && DecodeFourPlainEscapes(escape, four)) {
                std::memcpy(out, &four, 4);
                out += 4;
                pos = escape = escape + 16;
                continue;
            }
#endif
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
