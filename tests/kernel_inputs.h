// Inputs that drive a SIMD kernel and its scalar twin through every exit:
// every length to 64 and longer random ones (past the points where the
// kernels' lane counters are summed), every alignment, and the boundary
// values (00, 7F, 80, FF, the characters the searches stop at) alone at
// every position, sprinkled at random and filling the whole input.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <random>
#include <vector>

#include "guarded_pages.h"

namespace idxfilter::testing {

// Bytes at the edges of what the byte kernels look for. 'a' is the filler.
inline const std::vector<unsigned char> kBoundaryBytes = {
    0x00, 0x01, '\n', '\r', 0x1F, ' ', '\'', '0', '2', '6', '9', 'A', 'F', 'G', 'a', 'b', 'f', 'g', 'l',
    '\\', '{', '}', 0x7E, 0x7F, 0x80, 0x81, 0xBF, 0xC0, 0xC2, 0xE0, 0xEF, 0xF0, 0xF4, 0xFE, 0xFF};

// Units at the edges of ASCII, of the UTF-8 lengths, of saturating packs
// (a unit whose low byte is CR or ASCII, the sign bit) and of surrogates.
inline const std::vector<char16_t> kBoundaryUnits = {
    0x0000, 0x0001, 0x000A, 0x000D, 0x0020, 0x0061, 0x007F, 0x0080, 0x00FF, 0x0100, 0x010D,
    0x0141, 0x07FF, 0x0800, 0x7F7F, 0x7FFF, 0x8000, 0x800D, 0x8041, 0xD800, 0xDFFF, 0xFF7F, 0xFF80, 0xFFFF};

// Every length to 64, then random ones, then the lengths around the lane
// counters' flushes (2,032 and 4,080 bytes; 65,536 units).
inline std::vector<std::size_t> KernelLengths(std::mt19937& random) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 64; ++n) lengths.push_back(n);
    for (int k = 0; k < 24; ++k) lengths.push_back(65 + random() % 1200);
    for (std::size_t n : {2031u, 2032u, 2033u, 2047u, 4079u, 4080u, 4081u, 4096u, 65535u, 65536u, 65543u, 131089u})
        lengths.push_back(n);
    return lengths;
}

// The alignments tried at a length: all sixteen while inputs are short.
inline std::vector<std::size_t> KernelShifts(std::size_t n) {
    if (n <= 64) return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    return {0, 1, 8, 15};
}

// Calls `check(values)` with the inputs of one length: the filler with each
// boundary value alone at every position (lengths to 64), the filler with
// boundary values sprinkled at a few densities, and each boundary value
// filling the whole input.
template <typename T>
void ForEachPattern(std::size_t n, const std::vector<T>& boundaries, T filler, std::mt19937& random,
                    const std::function<void(const std::vector<T>&)>& check) {
    std::vector<T> values(n, filler);
    if (n <= 64) {
        for (T boundary : boundaries) {
            for (std::size_t at = 0; at < n; ++at) {
                values[at] = boundary;
                check(values);
                values[at] = filler;
            }
        }
    }
    for (unsigned per1000 : {2u, 30u, 300u, 1000u}) {
        for (std::size_t i = 0; i < n; ++i)
            values[i] = random() % 1000 < per1000 ? boundaries[random() % boundaries.size()] : filler;
        check(values);
    }
    if (n > 0) {
        std::size_t fills = n <= 4096 ? boundaries.size() : 4;
        for (std::size_t k = 0; k < fills; ++k) {
            std::fill(values.begin(), values.end(), boundaries[k * (boundaries.size() - 1) / std::max<std::size_t>(fills - 1, 1)]);
            check(values);
        }
    }
}

// Runs `kernel` on a copy of `values` placed `shift` objects before the
// high guard and again `shift` objects after the low guard, and calls
// `look(input)` for each placement.
template <typename T>
void AtBothGuards(const std::vector<T>& values, std::size_t shift, const GuardedPages& pages,
                  const std::function<void(const T*)>& look) {
    T* atEnd = pages.AtEnd<T>(values.size(), shift);
    std::copy(values.begin(), values.end(), atEnd);
    look(atEnd);
    T* atStart = pages.AtStart<T>(shift);
    std::copy(values.begin(), values.end(), atStart);
    look(atStart);
}

}  // namespace idxfilter::testing
