#include "rtf/level_start_stack.h"

namespace idxfilter {

void LevelStartStack::Open(std::size_t start) {
    if (topLevels != 0 && start == topStart) {
        ++topLevels;
        return;
    }
    if (topLevels != 0) {
        Push(topDistance);
        Push(topLevels);
    }
    topDistance = start - topStart;
    topStart = start;
    topLevels = 1;
}

void LevelStartStack::Close() {
    if (--topLevels != 0) return;
    if (below.empty()) {
        topStart = topDistance = 0;
        return;
    }
    topStart -= topDistance;
    topLevels = Pop();
    topDistance = Pop();
}

void LevelStartStack::Push(std::size_t value) {
    for (; value >= 0x80; value >>= 7) below.push_back(static_cast<unsigned char>(value | 0x80));
    below.push_back(static_cast<unsigned char>(value));
}

std::size_t LevelStartStack::Pop() {
    std::size_t first = below.size() - 1;
    while (first > 0 && (below[first - 1] & 0x80) != 0) --first;
    std::size_t value = 0;
    for (std::size_t i = below.size(); i-- > first;) value = value << 7 | (below[i] & 0x7F);
    below.resize(first);
    return value;
}

}  // namespace idxfilter
