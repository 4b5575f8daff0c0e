// Line ends made LF in place, sixteen bytes at a time against byte by byte.
#include "complete/line_ends.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace idxfilter::complete {
namespace {

std::string Compacted(std::string text, bool fast) {
    // An exact-size heap copy, so that a read past the text shows under the
    // sanitizers.
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.data(), text.size());
    std::size_t length =
        fast ? CompactLineEnds(copy.get(), text.size()) : CompactLineEndsPlainly(copy.get(), text.size());
    return std::string(copy.get(), length);
}

// Where two texts first differ ("" when they do not), so that a failure
// on a long text prints a line, not the texts.
std::string FirstDifference(const std::string& got, const std::string& expected) {
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    if (at == got.size() && at == expected.size()) return "";
    return "differs at byte " + std::to_string(at) + " of " + std::to_string(got.size());
}

struct LineEndCase {
    const char* name;
    std::string text;
    std::string expected;
};

const LineEndCase kLineEndCases[] = {
    {"Empty", "", ""},
    {"NoCr", "a\nb\n", "a\nb\n"},
    {"CrLf", "a\r\nb\r\n", "a\nb\n"},
    {"LoneCr", "a\rb\r", "a\nb\n"},
    {"CrCrLf", "\r\r\n", "\n\n"},
    {"LfCr", "\n\r", "\n\n"},
    {"CrLfLf", "\r\n\n", "\n\n"},
    // A CR as the last byte of a block, its LF the first of the next.
    {"CrLfAcrossABlock", "0123456789abcde\r\nfghijklmnopqrstuvwxyz", "0123456789abcde\nfghijklmnopqrstuvwxyz"},
    {"CrAtTheEndOfABlock", "0123456789abcdef0123456789abcde\r", "0123456789abcdef0123456789abcde\n"},
    {"HighBytesMoved", "\r\n\xC3\xA9\xE4\xB8\xAD 0123456789abcdef0123456789",
     "\n\xC3\xA9\xE4\xB8\xAD 0123456789abcdef0123456789"},
};

TEST(LineEnds, Cases) {
    for (const LineEndCase& c : kLineEndCases) {
        EXPECT_EQ(Compacted(c.text, false), c.expected) << c.name;
        EXPECT_EQ(Compacted(c.text, true), c.expected) << c.name;
    }
}

// Random texts of CR, LF and other bytes, in every density, at lengths
// around the block size and far beyond it.
TEST(LineEnds, SixteenAtATimeIsByteByByte) {
    std::mt19937 random(13);
    const char kBytes[] = {'\r', '\n', 'a', '\xC3', '\0'};
    for (unsigned density : {1u, 4u, 20u, 200u}) {
        for (std::size_t n = 0; n < 80; ++n) {
            for (int round = 0; round < 10; ++round) {
                std::string text;
                for (std::size_t i = 0; i < n; ++i)
                    text += random() % density == 0 ? kBytes[random() % 2] : kBytes[2 + random() % 3];
                ASSERT_EQ(FirstDifference(Compacted(text, true), Compacted(text, false)), "")
                    << "n=" << n << " density=" << density;
            }
        }
        std::string text;
        for (std::size_t i = 0; i < 100000; ++i)
            text += random() % density == 0 ? kBytes[random() % 2] : kBytes[2 + random() % 3];
        ASSERT_EQ(FirstDifference(Compacted(text, true), Compacted(text, false)), "") << "density=" << density;
    }
}

}  // namespace
}  // namespace idxfilter::complete
