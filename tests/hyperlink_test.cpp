#include <gtest/gtest.h>

#include "rtf/hyperlink.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;
using testing::Hex;

struct LinkCase {
    const char* name;
    std::string rtf;
    std::string text;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class HyperlinkFields : public ::testing::TestWithParam<LinkCase> {};

TEST_P(HyperlinkFields, NoteTargetAfterVisibleText) {
    EXPECT_EQ(Hex(Convert(GetParam().rtf)), Hex(GetParam().text));
}

std::string Field(const std::string& target, const std::string& result) {
    return "{\\field{\\*\\fldinst{HYPERLINK \"" + target + "\"}}{\\fldrslt{" + result + "}}}";
}

INSTANTIATE_TEST_SUITE_P(
    , HyperlinkFields,
    ::testing::Values(
        LinkCase{"NoteFollowsText", "{\\rtf1 See " + Field("page.html", "click here") + " now.}",
                 "See click here (page.html)  now."},
        LinkCase{"TextEqualToTargetGivesNoNote", "{\\rtf1 " + Field("page.html", "page.html") + "}",
                 "page.html"},
        LinkCase{"TextEndingWithTargetGivesNoNote", "{\\rtf1 " + Field("page.html", "see page.html") + "}",
                 "see page.html"},
        LinkCase{"PercentEscapesDecoded", "{\\rtf1 " + Field("a%20b+c.html", "x") + "}", "x (a b c.html) "},
        LinkCase{"FormattedResult", "{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"page.htm\"}}{\\fldrslt{\\ul text}}}}",
                 "text (page.htm) "},
        LinkCase{"EmptyTargetEndsLevel", "{\\rtf1 a{b{HYPERLINK \"\"}c}d}", "abc"},
        LinkCase{"MissingTargetEndsLevel", "{\\rtf1 a{b{HYPERLINK}c}d}", "abc"},
        LinkCase{"BlankBeforeBraceEndsLevel", "{\\rtf1 {x{HYPERLINK \"p\" }y}z}", "x (p) y"},
        LinkCase{"GluedTextAfterInstruction", "{\\rtf1 {HYPERLINK \"p\"}more}", "more (p) "},
        LinkCase{"BlankAfterInstructionIsText", "{\\rtf1 {HYPERLINK \"p\"} more}", " more (p) "},
        LinkCase{"InstructionNotAfterBraceIsText", "{\\rtf1{\\*\\fldinst HYPERLINK \"page.html\"}}",
                 "HYPERLINK \"page.html\""},
        LinkCase{"SecondTargetReplacesFirst", "{\\rtf1{HYPERLINK \"a\"}{HYPERLINK \"b\"}{x}}", "x (b) "},
        LinkCase{"EmptyDecodedTargetCancelsPending", "{\\rtf1{HYPERLINK \"a\"}{HYPERLINK \"%\"}{x}}", "x"},
        LinkCase{"TargetWithoutFollowingTextIsLost", "{\\rtf1 {x}{HYPERLINK \"a\"}}", "x"},
        LinkCase{"ZeroByteEndsNoteNotDocument", "{\\rtf1{HYPERLINK \"a%00b\"}{x}y}", "x (a) y"},
        LinkCase{"UnclosedQuoteEndsAtBrace", "{\\rtf1{HYPERLINK \"abc}{x}}", "x (abc) "},
        LinkCase{"SwitchStaysInTarget", "{\\rtf1{HYPERLINK \\l \"top\"}{x}}", "x (\\l top) "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HyperlinkNotes, TargetInAnsiCodePageWhenFontSelected) {
    REQUIRE_ANSI_CODE_PAGE(1252);
    EXPECT_EQ(Hex(Convert("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}}\\f0{HYPERLINK \"caf%e9\"}{x}}")),
              Hex("x (caf\xC3\xA9) "));
    EXPECT_EQ(Hex(Convert("{\\rtf1{HYPERLINK \"caf%e9\"}{x}}")), Hex("x (caf\xE9) "));
}

TEST(ReadQuotedText, StopsAtSecondQuoteBraceOrEnd) {
    struct Case {
        std::string text;
        std::string target;
        std::string rest;
    } cases[] = {
        {"\"page.html\"}", "page.html", "}"},
        {"\\l \"top\"}", "\\l top", "}"},
        {"page.html}", "page.html", "}"},
        {"\"a{b\"", "a", "{b\""},
        {"\"open", "open", ""},
    };
    for (const Case& c : cases) {
        std::string target;
        const char* end = c.text.c_str() + c.text.size();
        const char* pos = ReadQuotedText(c.text.c_str(), end, target);
        EXPECT_EQ(target, c.target) << c.text;
        EXPECT_EQ(std::string(pos, end), c.rest) << c.text;
    }
}

}  // namespace
}  // namespace idxfilter
