// Deep and unbalanced nesting in the places the scanner, the font-table
// reader and SkipGroup meet: each mix converts on a small stack to the
// text its visible parts hold, through the converter and through the
// export.
#include <gtest/gtest.h>

#include <string>

#include "idxfilter.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;
using testing::FilterBytes;
using testing::Repeat;
using testing::RunWithStack;

constexpr std::size_t kSmallStack = 256 * 1024;
constexpr std::size_t kDepth = 1000000;

std::string Open(std::size_t n = kDepth) { return std::string(n, '{'); }
std::string Close(std::size_t n = kDepth) { return std::string(n, '}'); }

struct MixCase {
    const char* name;
    // Made when the test runs: megabyte documents built at start-up would
    // slow every test of the program (each runs in a process of its own).
    std::function<std::string()> rtf;
    std::string text;
};

void PrintTo(const MixCase& c, std::ostream* os) { *os << c.name; }

class NestingMix : public ::testing::TestWithParam<MixCase> {};

TEST_P(NestingMix, ConvertsOnSmallStack) {
    const std::string rtf = GetParam().rtf();
    std::string text;
    RunWithStack(kSmallStack, [&] { text = Convert(rtf); });
    EXPECT_EQ(text, GetParam().text);
}

TEST_P(NestingMix, ExportDeliversTheSameOnSmallStack) {
    const std::string rtf = GetParam().rtf();
    testing::Delivery delivery;
    RunWithStack(kSmallStack, [&] { delivery = FilterBytes(rtf); });
    std::u16string expected(GetParam().text.begin(), GetParam().text.end());  // ASCII texts
    EXPECT_EQ(delivery.result, expected.empty() ? -1 : std::int32_t(expected.size()));
    EXPECT_EQ(delivery.calls, expected.empty() ? 0 : 1);
    EXPECT_TRUE(delivery.text == expected);
}

INSTANTIATE_TEST_SUITE_P(
    , NestingMix,
    ::testing::Values(
        // A font table inside a skipped destination is skipped with it.
        MixCase{"FontTableInsideSkippedDestination",
                [] { return "{\\rtf1{\\*\\themedata{\\fonttbl" + Open() + "\\f1 A;" + Close() + "}}visible}"; },
                "visible"},
        // A skipped destination inside a font entry ends that entry's group.
        MixCase{"SkippedDestinationInsideFontTable",
                [] { return "{\\rtf1{\\fonttbl{\\f1\\fcharset0{\\*\\falt " + Open() + Close() + "}A;}}\\f1 text}"; },
                "text"},
        MixCase{"PictureAroundDeepGroups", [] { return "{\\rtf1{\\pict " + Open() + "89" + Close() + "}after}"; },
                " [PICTURE] after"},
        MixCase{"ObjectAroundDeepGroups", [] { return "{\\rtf1{\\object " + Open() + Close() + "}after}"; },
                " [OBJECT] after"},
        MixCase{"AlternatingBodyAndSkippedGroups",
                [] { return "{\\rtf1 " + Repeat("{\\*\\ud{u}}{", kDepth / 4) + "x" + Close(kDepth / 4) + "y}"; },
                "xy"},
        MixCase{"FontSelectionsAtEveryLevel",
                [] {
                    return "{\\rtf1{\\fonttbl{\\f1\\fcharset0 A;}}" + Repeat("{\\f1 ", kDepth / 4) + "z" +
                           Close(kDepth / 4) + "}";
                },
                "z"},
        MixCase{"FontEntriesWithoutGroups",
                [] { return "{\\rtf1{\\fonttbl" + Repeat("\\f1\\fcharset0 ", kDepth / 4) + "}\\f1 x}"; }, "x"},
        // Unbalanced: groups never closed end with the text.
        MixCase{"BodyNeverClosed", [] { return "{\\rtf1 " + Open() + "open"; }, "open"},
        MixCase{"FontTableNeverClosed", [] { return "{\\rtf1{\\fonttbl" + Open() + "\\f1 A;"; }, ""},
        MixCase{"SkippedDestinationNeverClosed", [] { return "{\\rtf1 before{\\*\\themedata " + Open(); },
                "before"},
        // Unbalanced: closing braces after the document's group end the scan.
        MixCase{"ClosedTooOften", [] { return "{\\rtf1 inside}" + Close() + "outside"; }, "inside"},
        MixCase{"FontTableClosedTooOften", [] { return "{\\rtf1{\\fonttbl{\\f1 A;}}" + Close() + "x}"; }, ""},
        // Every font table adds to one list; selecting from it stays correct.
        MixCase{"ManyFontTables",
                [] { return "{\\rtf1" + Repeat("{\\fonttbl{\\f1\\fcharset0 A;}}", kDepth / 20) + "\\f1 t}"; },
                "t"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace idxfilter
