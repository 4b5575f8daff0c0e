// The text of EQ fields.
#include <gtest/gtest.h>

#include "complete/equation_text.h"
#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

struct EquationCase {
    const char* instruction;
    const char* text;
};

class EquationTexts : public ::testing::TestWithParam<EquationCase> {};

TEST_P(EquationTexts, AreFound) { EXPECT_EQ(EquationText(GetParam().instruction), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    , EquationTexts,
    ::testing::Values(
        EquationCase{R"( EQ \* jc2 \* "Font:MS Mincho" \* hps11 \o\ad(\s\up 10(とうきょう),東京))", "東京"},
        EquationCase{R"(eq \f(1,2))", "1/2"},
        EquationCase{R"(EQ \x(boxed))", "boxed"},
        EquationCase{R"(EQ \b\bc\[(a,b))", "ab"},
        EquationCase{R"(EQ plain \, text)", "plain , text"},
        EquationCase{R"(EQ \o(\s\up 8(ruby),base) tail)", "base tail"},
        EquationCase{R"(EQ \o(unclosed)", "unclosed"},
        EquationCase{R"(EQ a)b)", "ab"},
        EquationCase{R"(EQUATION x)", ""},
        EquationCase{R"(HYPERLINK "x")", ""},
        EquationCase{"", ""}));

TEST(EquationTextDepth, StaysShallowOnDeepNesting) {
    std::string deep = "EQ " + testing::Repeat("\\a(", 3000) + "x" + testing::Repeat(")", 3000);
    std::string text;
    testing::RunWithStack(256 * 1024, [&] { text = EquationText(deep); });
    EXPECT_NE(text.find('x'), std::string::npos);
}

TEST(EquationFields, ShowTheirTextWhereTheResultIsEmpty) {
    EXPECT_EQ(testing::Text(R"({\rtf1 a{\field{\*\fldinst { EQ \\o\\ad(\\s\\up 10(\u12392?),\u26481?)}})"
                            R"({\fldrslt {}}}b})"),
              "a東b");
    EXPECT_EQ(testing::Text(R"({\rtf1 a{\field{\*\fldinst EQ \\f(1,2)}{\fldrslt shown}}b})"), "ashownb");
}

}  // namespace
}  // namespace idxfilter::complete
