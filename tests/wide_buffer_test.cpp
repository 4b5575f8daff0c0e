#include "loading/wide_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "text/unavailable.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::Units;

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string units;
    bool valid;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }


class WideBufferDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(WideBufferDecoding, GivesUnitsAndValidity) {
    const DecodeCase& c = GetParam();
    // A fresh heap copy of exactly the input, so that an overread shows
    // under the sanitizers.
    std::unique_ptr<char[]> copy(new char[c.bytes.size()]);
    std::memcpy(copy.get(), c.bytes.data(), c.bytes.size());
    WideBuffer unterminated(std::string_view(copy.get(), c.bytes.size()), false);
    std::u16string got(unterminated.Units().begin(), unterminated.Units().end());
    EXPECT_EQ(Hex(got), Hex(c.units));
    EXPECT_EQ(unterminated.valid, c.valid);

    WideBuffer terminated(c.bytes, true);
    ASSERT_EQ(terminated.Size(), c.units.size() + 1);
    EXPECT_EQ(terminated.CStr()[c.units.size()], 0);
}

INSTANTIATE_TEST_SUITE_P(
    , WideBufferDecoding,
    ::testing::Values(
        DecodeCase{"Empty", "", u"", true},
        DecodeCase{"Ascii", "abc", u"abc", true},
        DecodeCase{"TwoBytes", Bytes({0xC3, 0xA9}), Units({0xE9}), true},
        DecodeCase{"ThreeBytesLedByE0", Bytes({0xE0, 0xA4, 0xA8}), Units({0x0928}), true},
        DecodeCase{"LargestBmp", Bytes({0xEF, 0xBF, 0xBF}), Units({0xFFFF}), true},
        DecodeCase{"FourBytesGiveAPair", Bytes({0xF0, 0x9F, 0x98, 0x80}), Units({0xD83D, 0xDE00}), true},
        DecodeCase{"LargestCodePoint", Bytes({0xF4, 0x8F, 0xBF, 0xBF}), Units({0xDBFF, 0xDFFF}), true},
        DecodeCase{"EncodedSurrogatesReadBack", Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}),
                   Units({0xD83D, 0xDE00}), true},
        DecodeCase{"UntestedContinuationIsRejected", Bytes({0xC3, 0x41}), Units({0xFFFD, 0x41}), false},
        DecodeCase{"OverlongNulIsRejected", Bytes({0xC0, 0x80}), Units({0xFFFD, 0xFFFD}), false},
        DecodeCase{"OverlongThreeBytes", Bytes({0xE0, 0x80, 0x80}), Units({0xFFFD, 0xFFFD, 0xFFFD}), false},
        DecodeCase{"StrayContinuationKeepsTheRest", Bytes({0x61, 0x80, 0x62}), Units({0x61, 0xFFFD, 0x62}), false},
        DecodeCase{"TruncatedAtEnd", Bytes({0x61, 0xC3}), Units({0x61, 0xFFFD}), false},
        DecodeCase{"TruncatedThreeByteIsOneReplacement", Bytes({0xE1, 0x80, 0x41}), Units({0xFFFD, 0x41}), false},
        DecodeCase{"BeyondUnicode", Bytes({0xF4, 0x90, 0x80, 0x80}), Units({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}), false},
        DecodeCase{"FiveAndSixByteLeads", Bytes({0xF8, 0xFC, 0xFE, 0xFF}), Units({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}), false},
        DecodeCase{"AnsiCafeAuLait", "caf\xE9 au lait", u"caf\uFFFD au lait", false},
        DecodeCase{"StopsAtNul", std::string("a\0b", 3), u"a", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WideBuffer, DecodesEveryCodePointRoundTrip) {
    // Every scalar value and every surrogate, encoded by hand, decodes to
    // its UTF-16 form.
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        std::string bytes;
        if (c < 0x80) {
            bytes = {char(c)};
        } else if (c < 0x800) {
            bytes = {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            bytes = {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        } else {
            bytes = {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)),
                     char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        }
        WideBuffer buffer(bytes, false);
        std::u16string expected = c < 0x10000 ? std::u16string(1, char16_t(c))
                                              : Units({int(0xD800 + ((c - 0x10000) >> 10)),
                                                       int(0xDC00 + ((c - 0x10000) & 0x3FF))});
        ASSERT_EQ(std::u16string(buffer.Units().begin(), buffer.Units().end()), expected)
            << std::hex << unsigned(c);
        ASSERT_TRUE(buffer.valid) << std::hex << unsigned(c);
    }
}

TEST(WideBuffer, EveryLoneByteIsValidOnlyWhenAscii) {
    for (int b = 1; b < 256; ++b) {
        WideBuffer buffer(std::string(1, char(b)), false);
        EXPECT_EQ(buffer.valid, b < 0x80) << b;
        ASSERT_EQ(buffer.Units().size(), 1u);
    }
}

TEST(WideBuffer, CStrOfUnterminatedBufferThrowsUnavailable) {
    WideBuffer buffer("abc", false);
    try {
        buffer.CStr();
        FAIL() << "no exception";
    } catch (const char* payload) {
        EXPECT_STREQ(payload, "Unavailable!");
    }
}

TEST(WideBuffer, CStrOfEmptyTerminatedBufferPointsAtTerminator) {
    WideBuffer buffer("", true);
    ASSERT_NE(buffer.CStr(), nullptr);
    EXPECT_EQ(buffer.CStr()[0], 0);
}

TEST(WideBuffer, SecondDecodeAppendsAfterTerminator) {
    WideBuffer buffer("ab", true);
    buffer.Decode("c\x80");
    EXPECT_EQ(std::u16string(buffer.Units().begin(), buffer.Units().end()),
              Units({'a', 'b', 0, 'c', 0xFFFD, 0}));
    EXPECT_FALSE(buffer.valid);
}

}  // namespace
}  // namespace idxfilter
