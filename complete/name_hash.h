// The hash of control-word names: computed by the tokenizer while it reads
// a name's letters, and by the table of known words at compile time.
#pragma once

#include <cstdint>
#include <string_view>

namespace idxfilter::complete {

inline constexpr std::uint32_t kNameHashStart = 2166136261u;

constexpr std::uint32_t NameHashStep(std::uint32_t h, unsigned char c) { return (h ^ c) * 16777619u; }

constexpr std::uint32_t NameHash(std::string_view name) {
    std::uint32_t h = kNameHashStart;
    for (char c : name) h = NameHashStep(h, static_cast<unsigned char>(c));
    return h;
}

}  // namespace idxfilter::complete
