// Malformed and hostile input: read, never refused, on a small stack, in
// time linear in its size, always giving well-formed UTF-8.
#include <gtest/gtest.h>

#include <chrono>

#include "complete/rtf_reader.h"
#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

using testing::IsWellFormedUtf8;
using testing::Repeat;
using testing::RunWithStack;
using testing::Text;

constexpr std::size_t kSmallStack = 256 * 1024;
constexpr std::size_t kDepth = 1000000;

const std::string kDocuments[] = {
    R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman Times;}{\f1\fcharset128 MS Mincho;}{\f2\fcharset2 Symbol;}})"
    R"({\info{\title T\'e9}{\creatim\yr2024\mo1}}{\*\generator G;}\pard Stra\u223?e \'e9{\f1\'93\'fa\'83e}{\f2 a}\par)"
    R"({\field{\*\fldinst HYPERLINK "http://x.org"}{\fldrslt link}}\tab\cell\row{\pict\bin4 )" +
        std::string("a{\0}", 4) + R"(}{\upr{x}{\*\ud{\u55357?\u56832?}}}\uc2\u26085\'93\'fa end})",
    R"({\rtf1{\object{\*\objdata 01}{\result r}}{\shp{\*\shpinst{\sp{\sn a}{\sv b}}{\shptxt s}}}{\footnote n}\~\_\-})",
};

TEST(MalformedInput, EveryPrefixReads) {
    for (const std::string& document : kDocuments) {
        for (std::size_t n = 0; n <= document.size(); ++n) {
            for (bool utf8 : {false, true}) {
                RtfText result = ReadRtf(std::string_view(document).substr(0, n), 1252, utf8);
                ASSERT_TRUE(IsWellFormedUtf8(result.text)) << n;
                ASSERT_EQ(result.text.find('\0'), std::string::npos) << n;
                for (const Property& p : result.properties) ASSERT_TRUE(IsWellFormedUtf8(p.value)) << n;
            }
        }
    }
}

TEST(MalformedInput, WholeDocumentsGiveTheirText) {
    EXPECT_EQ(Text(kDocuments[0]),
              "Straße é日テα\nlink (http://x.org) \t\n [PICTURE] \U0001F600日 end");
}

TEST(MalformedInput, UnbalancedBraces) {
    EXPECT_EQ(Text(R"({\rtf1 a{b{c)"), "abc");
    EXPECT_EQ(Text(R"({\rtf1 a}}}b)"), "a");
    EXPECT_EQ(Text(R"(}}{\rtf1 a)"), "a");
    EXPECT_EQ(Text(R"({\rtf1 {{{a}}}}b)"), "a");
}

TEST(MalformedInput, BinaryBeyondTheEndOrNegative) {
    EXPECT_EQ(Text("{\\rtf1 a\\bin999999999 bcd}"), "a");
    EXPECT_EQ(Text("{\\rtf1 a\\bin-5 bcd}"), "abcd");
    EXPECT_EQ(Text("{\\rtf1 a{\\pict\\bin99999999999999999999 x}"), "a [PICTURE]");
}

TEST(MalformedInput, ZeroBytesDoNotEndTheDocument) {
    std::string rtf("{\\rtf1 before {\\pict\\bin4 ab\0d} after\0 end}", 43);
    EXPECT_EQ(Text(rtf), "before  [PICTURE]  after end");
}

TEST(MalformedInput, FloodsReadInLinearTime) {
    struct Flood {
        const char* name;
        std::string rtf;
    };
    const Flood floods[] = {
        {"Digits", "{\\rtf1\\u" + std::string(4000000, '9') + " x}"},
        {"Letters", "{\\rtf1\\" + std::string(4000000, 'q') + " x}"},
        {"HugeUc", "{\\rtf1\\uc2000000000 " + Repeat("\\u945 abc", 500000) + "}"},
        {"UnicodeFallbacks", "{\\rtf1\\uc1000 " + Repeat("{\\u945 ab}", 500000) + "}"},
        {"Escapes", "{\\rtf1\\ansicpg932 " + Repeat("\\'81", 2000000) + "}"},
        {"Fields", "{\\rtf1 " + Repeat("{\\field{\\*\\fldinst HYPERLINK x", 100000) + Repeat("}}", 100000) + "}"},
        {"FieldsInInstructions",
         "{\\rtf1 " + Repeat("{\\field{\\*\\fldinst HYPERLINK ", 100000) + "x" + Repeat("}{\\fldrslt r}}", 100000) +
             "}"},
        {"Objects", "{\\rtf1 " + Repeat("{\\object", 200000) + Repeat("}", 200000) + "}"},
        {"Pictures", "{\\rtf1 " + Repeat("{\\pict 0}", 200000) + "}"},
    };
    for (const Flood& flood : floods) {
        auto start = std::chrono::steady_clock::now();
        RtfText result = ReadRtf(flood.rtf, 1252);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 2.0) << flood.name;
        EXPECT_TRUE(IsWellFormedUtf8(result.text)) << flood.name;
        EXPECT_LE(result.text.size(), 4 * flood.rtf.size() + 64) << flood.name;
    }
}

struct NestingCase {
    const char* name;
    std::string rtf;
    std::string text;
};

void PrintTo(const NestingCase& c, std::ostream* os) { *os << c.name; }

class DeepNesting : public ::testing::TestWithParam<NestingCase> {};

TEST_P(DeepNesting, ReadsOnASmallStack) {
    std::string text;
    RunWithStack(kSmallStack, [&] { text = Text(GetParam().rtf); });
    EXPECT_EQ(text, GetParam().text);
}

std::string Nested(std::string_view open, std::string_view inner) {
    return Repeat(open, kDepth) + std::string(inner) + Repeat("}", kDepth);
}

INSTANTIATE_TEST_SUITE_P(
    , DeepNesting,
    ::testing::Values(
        NestingCase{"Body", "{\\rtf1 " + Nested("{", "deep") + " after}", "deep after"},
        NestingCase{"ChangingState", "{\\rtf1 " + Nested("{\\f1\\uc2\\v0 ", "deep") + " after}", "deep after"},
        NestingCase{"FontTable", "{\\rtf1{\\fonttbl" + Nested("{", "\\f1\\fcharset204 A;") + "}\\f1\\'cf}", "П"},
        NestingCase{"SkippedDestination", "{\\rtf1{\\*\\themedata " + Nested("{", "x") + "}visible}", "visible"},
        NestingCase{"Info", "{\\rtf1{\\info{\\title " + Nested("{", "t") + "}}body}", "body"},
        NestingCase{"Fields",
                    "{\\rtf1 " + Repeat("{\\field{\\*\\fldinst PAGE}{\\fldrslt ", kDepth) + "r" + Repeat("}}", kDepth) + "}",
                    "r"},
        NestingCase{"Footnotes", "{\\rtf1 a" + Nested("{\\footnote ", "n") + "b}", "a\nn\nb"},
        NestingCase{"Pictures", "{\\rtf1 a" + Nested("{\\pict ", "00") + "b}", "a [PICTURE] b"},
        NestingCase{"Upr", "{\\rtf1 a" + Repeat("{\\upr{x}{\\*\\ud ", kDepth) + "u" + Repeat("}}", kDepth) + "b}",
                    "aub"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace idxfilter::complete
