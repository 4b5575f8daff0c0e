#include "text/utf16_length.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

namespace idxfilter {
namespace {

struct LengthCase {
    const char* name;
    std::string utf8;
    std::int64_t units;
};

const LengthCase kLengthCases[] = {
    {"Empty", "", 0},
    {"Ascii", "plain text", 10},
    {"TwoByte", "caf\xC3\xA9", 4},
    {"ThreeByte", "\xE2\x82\xAC 5", 3},
    {"FourByteIsAPair", "\xF0\x9F\x98\x80", 2},
    {"Mixed", "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z", 6},
    // Sixteen and more bytes, so that whole blocks are counted.
    {"PairsAcrossBlocks", "0123456789abcd\xF0\x9F\x98\x80\xF0\x9F\x98\x80" "efghijklmnop", 30},
};

TEST(Utf16LengthOfUtf8, Cases) {
    for (const LengthCase& c : kLengthCases) {
        EXPECT_EQ(Utf16LengthOfUtf8(c.utf8.data(), c.utf8.size()), c.units) << c.name;
        EXPECT_EQ(Utf16LengthOfUtf8Plainly(c.utf8.data(), c.utf8.size()), c.units) << c.name;
    }
}

// Bytes of every value, at every length around the block size and far past
// the 127 blocks after which the lanes are summed, count as the byte-by-byte
// count counts them; the count reads no further than the text (exact-size
// copies show a read past it under the sanitizers).
TEST(Utf16LengthOfUtf8, BlocksCountAsTheBytesOneByOne) {
    std::mt19937 random(16);
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 255u, 2031u, 2032u, 2033u, 2048u, 4065u, 70001u}) {
        for (int round = 0; round < 4; ++round) {
            std::unique_ptr<char[]> text(new char[n == 0 ? 1 : n]);
            // Round 0: every byte value; the others lean to lead bytes F0
            // to FF and to continuation bytes, which the lanes count twice
            // or not at all.
            for (std::size_t i = 0; i < n; ++i) {
                unsigned value = random() % 256;
                if (round == 1) value |= 0xF0;
                if (round == 2) value = 0x80 | (value & 0x3F);
                if (round == 3) value = i % 2 ? 0xFF : 0xF0;
                text[i] = static_cast<char>(value);
            }
            ASSERT_EQ(Utf16LengthOfUtf8(text.get(), n), Utf16LengthOfUtf8Plainly(text.get(), n))
                << "n=" << n << " round=" << round;
        }
    }
}

}  // namespace
}  // namespace idxfilter
