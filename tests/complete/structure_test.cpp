// Breaks, tables, control words glued to text, blanks and the tidying of
// the text's ends.
#include <gtest/gtest.h>

#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

using testing::CaseName;
using testing::Text;
using testing::TextCase;

class Structure : public ::testing::TestWithParam<TextCase> {};

TEST_P(Structure, GivesItsText) { EXPECT_EQ(Text(GetParam().rtf), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Breaks, Structure,
    ::testing::Values(
        TextCase{"ParagraphLineSectionPage", R"({\rtf1 a\par b\line c\sect d\page e})", "a\nb\nc\nd\ne"},
        TextCase{"BackslashLineFeed", "{\\rtf1 a\\\nb\\\r\nc}", "a\nb\nc"},
        TextCase{"EmptyParagraphsKept", R"({\rtf1 a\par\par b})", "a\n\nb"},
        TextCase{"Tab", R"({\rtf1 a\tab b})", "a\tb"},
        TextCase{"TableRows", R"({\rtf1 \trowd a\cell b\cell\row \trowd c\cell d\cell\row})", "a\tb\nc\td"},
        TextCase{"RowAfterParagraph", R"({\rtf1 a\cell b\par\row c})", "a\tb\nc"},
        TextCase{"EmptyRowAddsNoLine", R"({\rtf1 x\par\cell\row y})", "x\ny"},
        TextCase{"NestedTable",
                 R"({\rtf1 \intbl a\nestcell b\nestcell{\*\nesttableprops\trowd\nestrow}{\nonesttables\par}\cell\row z})",
                 "a\tb\nz"},
        TextCase{"Column", R"({\rtf1 a\column b})", "a\nb"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Words, Structure,
    ::testing::Values(
        // A parameter ends at the first non-digit: the letters after it
        // are text, as LibreOffice reads them.
        TextCase{"GluedToVersion", R"({\rtf1foobar})", "foobar"},
        TextCase{"GluedToParameter", R"({\rtf1\b1bold\b0 \fs24x})", "boldx"},
        TextCase{"LettersContinueTheWord", R"({\rtf1 a\foobar b})", "ab"},
        TextCase{"OneBlankBelongsToTheWord", R"({\rtf1\b  two})", " two"},
        TextCase{"SymbolTakesNoBlank", R"({\rtf1 a\~ b})", "a\u00A0 b"},
        TextCase{"EscapeTakesNoBlank", R"({\rtf1 caf\'e9 au})", "café au"},
        TextCase{"NegativeParameter", R"({\rtf1\li-720 x})", "x"},
        TextCase{"HyphenWithoutDigitsIsText", R"({\rtf1 \b-x})", "-x"},
        TextCase{"UnknownWordIgnored", R"({\rtf1 a\xyzzy12 b})", "ab"},
        TextCase{"UnknownDestinationWithoutStarRead", R"({\rtf1 a{\xyzzy b}c})", "abc"},
        TextCase{"RawControlBytesIgnored", "{\\rtf1 a\r\nb\tc\x01" "d}", "abcd"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Ends, Structure,
    ::testing::Values(
        TextCase{"LeadingAndTrailingBlankLines", R"({\rtf1 \par\par  \par a\par b\par\par})", "a\nb"},
        TextCase{"FirstLineKeepsIndentation", R"({\rtf1 \par \tab a})", "\ta"},
        TextCase{"TextAfterTheLastBraceIgnored", R"({\rtf1 a} b)", "a"},
        TextCase{"ExtraClosingBraceEndsTheDocument", R"({\rtf1 a}} b})", "a"},
        TextCase{"TextBeforeTheFirstGroup", R"(x{\rtf1 a})", "xa"},
        TextCase{"Empty", "", ""}),
    CaseName());

}  // namespace
}  // namespace idxfilter::complete
