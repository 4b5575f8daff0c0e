#include "rtf/level_start_stack.h"

#include <algorithm>

namespace idxfilter {

void LevelStartStack::Open(std::size_t start) {
    if (topLevels != 0 && start == topStart) {
        ++topLevels;
        return;
    }
    if (topLevels != 0) PushRun(topDistance, topLevels);
    topDistance = start - topStart;
    topStart = start;
    topLevels = 1;
}

void LevelStartStack::Close() {
    if (--topLevels != 0) return;
    if (used == 0) {
        topStart = topDistance = 0;
        return;
    }
    topStart -= topDistance;
    topLevels = Pop();
    topDistance = Pop();
}

namespace {

unsigned char* Encode(std::size_t value, unsigned char* out) {
    for (; value >= 0x80; value >>= 7) *out++ = static_cast<unsigned char>(value | 0x80);
    *out++ = static_cast<unsigned char>(value);
    return out;
}

}  // namespace

void LevelStartStack::PushRun(std::size_t distance, std::size_t levels) {
    // Written straight into room made ahead, both numbers at once: a level
    // is a byte or two, and the vector's own insertion would spend more on
    // its bookkeeping than on them.
    constexpr std::size_t kLongestRun = 2 * (sizeof(std::size_t) * 8 + 6) / 7;
    if (below.size() - used < kLongestRun) below.resize(std::max<std::size_t>(2 * below.size(), 64));
    unsigned char* start = below.data();
    used = static_cast<std::size_t>(Encode(levels, Encode(distance, start + used)) - start);
}

std::size_t LevelStartStack::Pop() {
    std::size_t first = used - 1;
    while (first > 0 && (below[first - 1] & 0x80) != 0) --first;
    std::size_t value = 0;
    for (std::size_t i = used; i-- > first;) value = value << 7 | (below[i] & 0x7F);
    used = first;
    return value;
}

}  // namespace idxfilter
