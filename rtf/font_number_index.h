// The first entry of each font number in a font table, found without
// scanning the table: the entry that decides how text in that font is
// decoded, and the test of whether a number is already in the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rtf/font_entry.h"

namespace idxfilter {

class FontNumberIndex {
public:
    static constexpr std::size_t kNone = SIZE_MAX;

    // Indexes the entries appended to `fonts` since the last call. The
    // entries already indexed must be where they were: a first entry is
    // never moved or renumbered, and an entry that was not the first of its
    // number may only be replaced by another such entry.
    void CatchUp(const FontList& fonts);

    // The position of the first entry with `number` among those indexed,
    // or kNone.
    std::size_t Find(std::int32_t number) const;

private:
    // Eight bytes a number: a table of distinct numbers costs about as much
    // again as its "\fN" words. Positions fit in 32 bits because numbers
    // are 31-bit and only first entries are indexed.
    struct Slot {
        std::int32_t number = -1;  // -1: free
        std::uint32_t position = 0;
    };
    std::size_t SlotOf(std::int32_t number) const;
    // Records `position` for `number` unless the number has one already.
    void InsertFirst(std::int32_t number, std::size_t position);
    void Grow();

    std::vector<Slot> slots;  // open addressing, a power of two in size
    std::uint64_t multiplier = 1;  // odd
    int shift = 64;                // 64 less the bits of a slot's number
    std::size_t used = 0;
    std::size_t indexed = 0;  // entries of the list looked at so far
};

}  // namespace idxfilter
