// The code-page decoding under the reader: tables of single-byte code
// pages, double-byte runs and what a fault costs.
#include <gtest/gtest.h>

#include <string>

#include "complete/code_page_decoder.h"
#include "complete/utf8_writing.h"
#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

std::string DoubleByte(unsigned codePage, std::string_view bytes) {
    CodePageDecoder decoder;
    std::string out;
    decoder.AppendDoubleByte(codePage, bytes, out);
    return out;
}

TEST(CodePageDecoder, SingleByteTables) {
    CodePageDecoder decoder;
    const ByteTable& table1252 = decoder.Table(1252);
    EXPECT_TRUE(table1252.keepsAscii);
    std::string out;
    table1252.Append(out, 0xE9);
    table1252.Append(out, 0x80);
    table1252.Append(out, 'a');
    table1252.Append(out, 0x0A);  // control bytes give nothing
    EXPECT_EQ(out, "é€a");
    out.clear();
    decoder.Table(1251).Append(out, 0xCF);
    EXPECT_EQ(out, "П");
}

TEST(CodePageDecoder, KnowsWhatThePlatformConverts) {
    CodePageDecoder decoder;
    EXPECT_TRUE(decoder.Converts(1252));
    EXPECT_TRUE(decoder.Converts(932));
    EXPECT_FALSE(decoder.Converts(12345));
    EXPECT_FALSE(decoder.Converts(0));
    EXPECT_TRUE(CodePageDecoder::IsDoubleByte(932));
    EXPECT_TRUE(CodePageDecoder::IsDoubleByte(10001));
    EXPECT_FALSE(CodePageDecoder::IsDoubleByte(1252));
}

TEST(CodePageDecoder, DoubleByteRuns) {
    EXPECT_EQ(DoubleByte(932, "\x93\xfa\x96\x7b"), "日本");
    EXPECT_EQ(DoubleByte(936, "\xd6\xd0\xce\xc4"), "中文");
    EXPECT_EQ(DoubleByte(949, "\xc7\xd1\xb1\xdb"), "한글");
    EXPECT_EQ(DoubleByte(950, "\xa4\xa4\xa4\xe5"), "中文");
    EXPECT_EQ(DoubleByte(932, "abc"), "abc");
}

TEST(CodePageDecoder, AFaultCostsOneCharacter) {
    // A lead byte with a second byte that makes no character, and a lead
    // byte at the end: each gives one U+FFFD, everything else is kept.
    EXPECT_EQ(DoubleByte(932, "\x93\xfa\x81 \x96\x7b"), "日\uFFFD 本");
    EXPECT_EQ(DoubleByte(932, "\x93\xfa\x93"), "日\uFFFD");
    std::string big;
    for (int i = 0; i < 100000; ++i) big += "\x93\xfa";
    std::string expected;
    for (int i = 0; i < 100000; ++i) expected += "日";
    EXPECT_EQ(DoubleByte(932, big + "\x81"), expected + "\uFFFD");
}

TEST(Utf8Writing, CodePointsAndUnits) {
    std::string out;
    AppendCodePoint(out, U'a');
    AppendCodePoint(out, 0xE9);
    AppendCodePoint(out, 0x65E5);
    AppendCodePoint(out, 0x1F600);
    AppendCodePoint(out, 0xD800);
    AppendCodePoint(out, 0x110000);
    EXPECT_EQ(out, "aé日\U0001F600\uFFFD\uFFFD");
    out.clear();
    const char16_t units[] = {u'x', 0xD83D, 0xDE00, 0xDC00, 0xD83D, u'y', 0, u'z', 0xD800};
    AppendUtf16(out, units, sizeof units / sizeof units[0]);
    EXPECT_EQ(out, "x\U0001F600\uFFFD\uFFFDyz\uFFFD");
}

TEST(Utf8Writing, Utf8InputChecked) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"caf\xc3\xa9", "café"},
        {"a\xc3", "a\uFFFD"},
        {"\xe0\x80\x80", "\uFFFD\uFFFD\uFFFD"},
        {"\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xed\xa0\xbd\xed\xb8\x80", "\U0001F600"},
        {std::string("a\0b", 3), "ab"},
    };
    for (const auto& [in, expected] : cases) {
        std::string out;
        AppendUtf8(out, in);
        EXPECT_EQ(out, expected) << in;
        EXPECT_TRUE(testing::IsWellFormedUtf8(out));
    }
}

}  // namespace
}  // namespace idxfilter::complete
