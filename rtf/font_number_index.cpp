#include "rtf/font_number_index.h"

#include <bit>
#include <chrono>
#include <stdexcept>

namespace idxfilter {

namespace {

// A multiplier no document can know in advance: a table whose numbers all
// fall into a few slots would make every look-up walk them all. Taken from
// where the index lives and when it first grows; it changes only how fast
// numbers are found, never what is found.
std::uint64_t UnforeseeableOddMultiplier(const void* where) {
    std::uint64_t x = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(where)) ^
                      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    // splitmix64's finaliser spreads the few bits that differ.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return (x ^ (x >> 31)) | 1;
}

}  // namespace

void FontNumberIndex::CatchUp(const FontList& fonts) {
    for (; indexed < fonts.size(); ++indexed) {
        std::int32_t number = fonts[indexed].number;
        if (number >= 0) InsertFirst(number, indexed);
    }
}

std::size_t FontNumberIndex::SlotOf(std::int32_t number) const {
    // Multiply-shift hashing (the product's top bits), linear probing from
    // there.
    std::size_t mask = slots.size() - 1;
    std::size_t slot = static_cast<std::size_t>((static_cast<std::uint64_t>(number) * multiplier) >> shift);
    while (slots[slot].number != -1 && slots[slot].number != number) slot = (slot + 1) & mask;
    return slot;
}

std::size_t FontNumberIndex::Find(std::int32_t number) const {
    if (number < 0 || slots.empty()) return kNone;
    const Slot& slot = slots[SlotOf(number)];
    return slot.number == number ? slot.position : kNone;
}

void FontNumberIndex::InsertFirst(std::int32_t number, std::size_t position) {
    // Only with four billion entries, which no process holds: refused
    // rather than recorded wrongly.
    if (position > UINT32_MAX) throw std::length_error("font table too long to index");
    // At most three quarters full, so that probes stay short.
    if ((used + 1) * 4 > slots.size() * 3) Grow();
    Slot& slot = slots[SlotOf(number)];
    if (slot.number == number) return;  // not the first entry of the number
    slot = {number, static_cast<std::uint32_t>(position)};
    ++used;
}

void FontNumberIndex::Grow() {
    std::vector<Slot> old = std::move(slots);
    if (old.empty()) multiplier = UnforeseeableOddMultiplier(this);
    slots.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    shift = 64 - std::bit_width(slots.size() - 1);
    for (const Slot& slot : old)
        if (slot.number != -1) slots[SlotOf(slot.number)] = slot;
}

}  // namespace idxfilter
