// The start offsets of the open levels of the font table's name
// accumulators (rtf/font_table.cpp), innermost last.
#pragma once

#include <cstddef>
#include <vector>

namespace idxfilter {

// Starts never decrease from a level to the one inside it. Levels opened
// with no text between them share a start and are kept as one count, so a
// run of braces costs nothing a brace; every other level is kept as two
// variable-length numbers, its distance from the start below it and its
// count, a byte each in the usual case: a hostile table opens millions of
// levels with a byte of text each and closes none of them.
class LevelStartStack {
public:
    bool Empty() const { return topLevels == 0; }
    // `start` is at or after Top() when a level is open.
    void Open(std::size_t start);
    // The innermost level's start; only when a level is open.
    std::size_t Top() const { return topStart; }
    // Ends the innermost level; only when one is open.
    void Close();

private:
    void PushRun(std::size_t distance, std::size_t levels);
    std::size_t Pop();

    // (distance, count) of each run of levels below the innermost run,
    // outermost first, each number in 7-bit groups, least significant
    // first, the high bit set on all but a number's last byte: read from
    // the end, a number starts after the previous byte without it.
    std::vector<unsigned char> below;  // the first `used` bytes
    std::size_t used = 0;
    std::size_t topStart = 0;
    std::size_t topDistance = 0;  // from the start of the run below
    std::size_t topLevels = 0;
};

}  // namespace idxfilter
