// The one UTF-8 codec of the filter: decoding into UTF-16 units, the
// well-formedness test, the strict step of the complete reader's plain
// text, and the two encodings of UTF-16 units (each unit by itself, as the
// filter's text is stored, and pairs joined, for readers).
//
// Decoding follows RFC 3629 with one deliberate extension: the three-byte
// forms of surrogate code points (ED A0 80 to ED BF BF) are accepted and
// give that surrogate unit, because the filter's own encoding writes each
// half of a surrogate pair that way and must read it back unchanged.
//
// Every other ill-formed sequence is replaced by one U+FFFD for its maximal
// subpart (as the Unicode Standard, chapter 3, and the WHATWG decoder do),
// and decoding resumes at the first byte that was not part of it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace idxfilter {

inline constexpr char16_t kReplacementCharacter = 0xFFFD;

// Decodes [begin, end) and calls emit(char16_t) for every unit produced.
// Returns false when any ill-formed sequence was met; with
// `stopAtFirstFault` it returns at that point.
template <bool stopAtFirstFault = false, typename Emit>
bool DecodeUtf8(const unsigned char* begin, const unsigned char* end, Emit&& emit) {
    bool wellFormed = true;
    const unsigned char* p = begin;
    while (p < end) {
        unsigned lead = *p;
        if (lead < 0x80) {
            // ASCII comes in long runs: eight bytes are tested at once.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ull) break;
                for (int k = 0; k < 8; ++k) emit(char16_t(p[k]));
                p += 8;
            }
            while (p < end && *p < 0x80) emit(char16_t(*p++));
            continue;
        }
        // The common well-formed two- and three-byte forms first: their
        // trail bytes may take the whole range 80 to BF.
        if (end - p >= 3 && (p[1] & 0xC0) == 0x80) {
            if (lead >= 0xC2 && lead <= 0xDF) {
                emit(char16_t(((lead & 0x1F) << 6) | (p[1] & 0x3F)));
                p += 2;
                continue;
            }
            if (lead >= 0xE1 && lead <= 0xEF && (p[2] & 0xC0) == 0x80) {
                emit(char16_t(((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)));
                p += 3;
                continue;
            }
        }
        int trailCount;
        unsigned lower = 0x80, upper = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailCount = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailCount = 2;
            if (lead == 0xE0) lower = 0xA0;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailCount = 3;
            if (lead == 0xF0) lower = 0x90;
            if (lead == 0xF4) upper = 0x8F;
        } else {
            if constexpr (stopAtFirstFault) return false;
            wellFormed = false;
            emit(kReplacementCharacter);
            ++p;
            continue;
        }
        unsigned long codePoint = lead & (0x3Fu >> trailCount);
        int taken = 0;
        while (taken < trailCount) {
            const unsigned char* trail = p + 1 + taken;
            if (trail >= end || *trail < lower || *trail > upper) break;
            codePoint = (codePoint << 6) | (*trail & 0x3Fu);
            lower = 0x80;
            upper = 0xBF;
            ++taken;
        }
        if (taken < trailCount) {
            if constexpr (stopAtFirstFault) return false;
            wellFormed = false;
            emit(kReplacementCharacter);
            p += 1 + taken;
            continue;
        }
        if (codePoint > 0xFFFF) {
            codePoint -= 0x10000;
            emit(char16_t(0xD800 + (codePoint >> 10)));
            emit(char16_t(0xDC00 + (codePoint & 0x3FF)));
        } else {
            emit(char16_t(codePoint));
        }
        p += 1 + trailCount;
    }
    return wellFormed;
}

// True when [begin, end) is well-formed in the sense above.
bool IsWellFormedUtf8(const char* begin, const char* end);

// One step of strict UTF-8 decoding at `p` (before `end`), as the WHATWG
// decoder takes it, for text read as today's writers mean it (encoded
// surrogates are ill-formed here, unlike in DecodeUtf8 above): a well-formed sequence of `length` bytes, or an ill-formed
// maximal subpart of `length` bytes (one U+FFFD), which is `cut` when the
// input ended inside a sequence that was well-formed so far.
struct Utf8Step {
    std::size_t length;
    bool wellFormed;
    bool cut;
};

inline bool IsTrail(unsigned char c) { return (c & 0xC0) == 0x80; }

inline Utf8Step StepUtf8(const unsigned char* p, const unsigned char* end) {
    unsigned lead = *p;
    if (lead < 0x80) return {1, true, false};
    // The common well-formed forms first: two bytes, and three bytes whose
    // second byte may take the whole trail range.
    if (end - p >= 3 && IsTrail(p[1])) {
        if (lead >= 0xC2 && lead <= 0xDF) return {2, true, false};
        if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && IsTrail(p[2])) return {3, true, false};
    }
    std::size_t trails;
    unsigned lower = 0x80, upper = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trails = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trails = 2;
        if (lead == 0xE0) lower = 0xA0;
        if (lead == 0xED) upper = 0x9F;  // no encoded surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trails = 3;
        if (lead == 0xF0) lower = 0x90;
        if (lead == 0xF4) upper = 0x8F;
    } else {
        return {1, false, false};
    }
    for (std::size_t taken = 0; taken < trails; ++taken) {
        const unsigned char* trail = p + 1 + taken;
        if (trail == end) return {1 + taken, false, true};
        if (*trail < lower || *trail > upper) return {1 + taken, false, false};
        lower = 0x80;
        upper = 0xBF;
    }
    return {1 + trails, true, false};
}


// Decodes [begin, end) into `out`, which has room for one unit a byte, and
// returns the end of what it wrote. Clears `wellFormed` when an ill-formed
// sequence was met. Runs of ASCII and the usual two- and three-byte forms
// take a short way; everything else goes through DecodeUtf8.
char16_t* DecodeUtf8ToUnits(const char* begin, const char* end, char16_t* out, bool& wellFormed);

// Writes the two- or three-byte UTF-8 form of `u` (0x80 or above, taken
// by itself) at `p` and returns its end. A three-byte form is stored as
// four bytes: `p` needs one byte of room beyond the form.
inline char* StoreUtf8OfUnitAbove7F(char16_t unit, char* p) {
    unsigned u = unit;
    if (u < 0x800) {
        p[0] = char(0xC0 | (u >> 6));
        p[1] = char(0x80 | (u & 0x3F));
        return p + 2;
    }
    std::uint32_t bytes = (0xE0u | (u >> 12)) | (0x80u | ((u >> 6) & 0x3F)) << 8 | (0x80u | (u & 0x3F)) << 16;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &bytes, 4);
    } else {
        p[0] = char(bytes);
        p[1] = char(bytes >> 8);
        p[2] = char(bytes >> 16);
    }
    return p + 3;
}

// Appends the UTF-8 form of `count` units to `out`, each unit by itself:
// surrogate units are not paired but written as their own three-byte forms,
// which DecodeUtf8 reads back as the same units.
void AppendUnitsAsUtf8(const char16_t* units, std::size_t count, std::string& out);

// Pairs joined, for readers of the text: a lone surrogate (which no UTF-8
// can hold) is written as U+FFFD. Writes at `p`, which has room for three
// bytes a unit and one more, and returns the end.
char* EncodeUtf16AsUtf8(const char16_t* units, std::size_t count, char* p);

// EncodeUtf16AsUtf8 into a string of its own.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);

}  // namespace idxfilter
