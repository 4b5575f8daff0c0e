// Deep nesting converts on a small stack, in time linear in the size.
#include <gtest/gtest.h>

#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;
using testing::Repeat;
using testing::RunWithStack;

constexpr std::size_t kSmallStack = 256 * 1024;
constexpr std::size_t kDepth = 1000000;

struct NestingCase {
    const char* name;
    std::string rtf;
    std::string text;
};

void PrintTo(const NestingCase& c, std::ostream* os) { *os << c.name; }

class DeepNesting : public ::testing::TestWithParam<NestingCase> {};

TEST_P(DeepNesting, ConvertsOnSmallStack) {
    std::string text;
    RunWithStack(kSmallStack, [&] { text = Convert(GetParam().rtf); });
    EXPECT_EQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    , DeepNesting,
    ::testing::Values(
        NestingCase{"Body", "{\\rtf1 " + Repeat("{", kDepth) + "deep" + Repeat("}", kDepth) + " after}",
                    "deep after"},
        NestingCase{"FontTable",
                    "{\\rtf1{\\fonttbl" + Repeat("{", kDepth) + "\\f1\\fcharset0 A;" + Repeat("}", kDepth) +
                        "}\\f1 text}",
                    "text"},
        NestingCase{"SkippedDestination", "{\\rtf1{\\*\\themedata " + Repeat("{", kDepth) + Repeat("}", kDepth) +
                                              "}visible}",
                    "visible"},
        NestingCase{"LevelsLeftOpenBySkippedGroups", "{\\rtf1 " + Repeat("{\\pntext x}", kDepth / 10) + "end}",
                    "end"},
        NestingCase{"HyperlinkInstructions",
                    "{\\rtf1 " + Repeat("{{HYPERLINK \"t\"}", kDepth / 10) + "x" + Repeat("}", kDepth / 10) + "}",
                    "x (t) "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace idxfilter
