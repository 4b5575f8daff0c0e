// Deep nesting converts on a small stack, in time linear in the size.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;

constexpr std::size_t kSmallStack = 256 * 1024;
constexpr std::size_t kDepth = 1000000;

// Runs `work` on a thread whose stack is `stackSize` bytes.
void RunWithStack(std::size_t stackSize, std::function<void()> work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackSize), 0);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, body, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

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
