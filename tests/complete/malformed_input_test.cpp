// Malformed and hostile input: read, never refused, on a small stack, in
// time linear in its size, always giving well-formed UTF-8.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>

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

// A font for each of `count` code page numbers, then text in each font in
// turn.
std::string EveryCodePage(std::size_t count) {
    std::string rtf = "{\\rtf1{\\fonttbl";
    for (std::size_t cp = 1; cp <= count; ++cp)
        rtf += "{\\f" + std::to_string(cp) + "\\cpg" + std::to_string(cp) + " F;}";
    rtf += "}";
    for (int round = 0; round < 4; ++round)
        for (std::size_t cp = 1; cp <= count; ++cp) rtf += "\\f" + std::to_string(cp) + " \\'e9";
    return rtf + "}";
}

// The calling thread's processor time, which other programs on the
// machine disturb less than the wall clock.
double ThreadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double SecondsToRead(const std::string& rtf) {
    double start = ThreadSeconds();
    RtfText result = ReadRtf(rtf, 1252);
    double seconds = ThreadSeconds() - start;
    EXPECT_TRUE(IsWellFormedUtf8(result.text));
    EXPECT_LE(result.text.size(), 4 * rtf.size() + 64);
    return seconds;
}

// Each flood, at a size and at eight times that size: linear reading
// takes about eight times as long, quadratic reading sixty-four times.
TEST(MalformedInput, FloodsReadInLinearTime) {
    struct Flood {
        const char* name;
        std::string (*make)(std::size_t n);
        std::size_t n;
    };
    const Flood floods[] = {
        {"Digits", [](std::size_t n) { return "{\\rtf1\\u" + std::string(n, '9') + " x}"; }, 500000},
        {"Letters", [](std::size_t n) { return "{\\rtf1\\" + std::string(n, 'q') + " x}"; }, 500000},
        {"HugeUc", [](std::size_t n) { return "{\\rtf1\\uc2000000000 " + Repeat("\\u945 abc", n) + "}"; }, 60000},
        {"UnicodeFallbacks", [](std::size_t n) { return "{\\rtf1\\uc1000 " + Repeat("{\\u945 ab}", n) + "}"; }, 60000},
        {"Escapes", [](std::size_t n) { return "{\\rtf1\\ansicpg932 " + Repeat("\\'81", n) + "}"; }, 250000},
        {"Fields",
         [](std::size_t n) {
             return "{\\rtf1 " + Repeat("{\\field{\\*\\fldinst HYPERLINK x", n) + Repeat("}}", n) + "}";
         },
         12000},
        {"FieldsInInstructions",
         [](std::size_t n) {
             return "{\\rtf1 " + Repeat("{\\field{\\*\\fldinst HYPERLINK ", n) + "x" +
                    Repeat("}{\\fldrslt r}}", n) + "}";
         },
         12000},
        {"Objects", [](std::size_t n) { return "{\\rtf1 " + Repeat("{\\object", n) + Repeat("}", n) + "}"; }, 25000},
        {"Pictures", [](std::size_t n) { return "{\\rtf1 " + Repeat("{\\pict 0}", n) + "}"; }, 25000},
        {"EveryCodePage", EveryCodePage, 8000},
    };
    for (const Flood& flood : floods) {
        std::string small = flood.make(flood.n);
        std::string large = flood.make(8 * flood.n);
        double smallSeconds = SecondsToRead(small);
        for (int i = 0; i < 2; ++i) smallSeconds = std::min(smallSeconds, SecondsToRead(small));
        double largeSeconds = SecondsToRead(large);
        EXPECT_LT(largeSeconds, 24 * smallSeconds + 0.05) << flood.name << ": " << smallSeconds << " s, then "
                                                          << largeSeconds << " s";
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
                    "{\\rtf1 " + Repeat("{\\field{\\*\\fldinst PAGE}{\\fldrslt ", kDepth) + "r" +
                        Repeat("}}", kDepth) + "}",
                    "r"},
        NestingCase{"Footnotes", "{\\rtf1 a" + Nested("{\\footnote ", "n") + "b}", "a\nn\nb"},
        NestingCase{"Pictures", "{\\rtf1 a" + Nested("{\\pict ", "00") + "b}", "a [PICTURE] b"},
        NestingCase{"InstructionGroups",
                    "{\\rtf1 {\\field{\\*\\fldinst " + Nested("{", "HYPERLINK \"x\"") + "}{\\fldrslt r}}}", "r (x)"},
        NestingCase{"ObjectResults", "{\\rtf1 a" + Nested("{\\object{\\result ", "r") + Repeat("}", kDepth) + "b}",
                    "arb"},
        NestingCase{"Headers", "{\\rtf1 a" + Nested("{\\header ", "h") + "b}", "a\nh\nb"},
        NestingCase{"PropertiesInInfo", "{\\rtf1{\\info" + Nested("{\\title ", "t") + "}b}", "b"},
        NestingCase{"Upr", "{\\rtf1 a" + Repeat("{\\upr{x}{\\*\\ud ", kDepth) + "u" + Repeat("}}", kDepth) + "b}",
                    "aub"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace idxfilter::complete
