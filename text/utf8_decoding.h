// Well-formed UTF-8 (RFC 3629), decoded into UTF-16 units.
//
// One deliberate extension: the three-byte forms of surrogate code points
// (ED A0 80 to ED BF BF) are accepted and give that surrogate unit, because
// the filter's own UTF-16 to UTF-8 encoding writes each half of a surrogate
// pair that way and must read it back unchanged.
//
// Every other ill-formed sequence is replaced by one U+FFFD for its maximal
// subpart (as the Unicode Standard, chapter 3, and the WHATWG decoder do),
// and decoding resumes at the first byte that was not part of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

}  // namespace idxfilter
