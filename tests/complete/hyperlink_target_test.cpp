// Link targets from field instructions.
#include <gtest/gtest.h>

#include "complete/hyperlink_target.h"

namespace idxfilter::complete {
namespace {

struct TargetCase {
    const char* instruction;
    const char* target;
};

class HyperlinkTargets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(HyperlinkTargets, AreFound) { EXPECT_EQ(HyperlinkTarget(GetParam().instruction), GetParam().target); }

INSTANTIATE_TEST_SUITE_P(
    , HyperlinkTargets,
    ::testing::Values(TargetCase{R"(HYPERLINK "http://x.org")", "http://x.org"},
                      TargetCase{R"(  hyperlink "http://x.org" )", "http://x.org"},
                      TargetCase{R"(HYPERLINK http://x.org)", "http://x.org"},
                      TargetCase{R"(HYPERLINK \l "anchor")", "anchor"},
                      TargetCase{R"(HYPERLINK "http://x.org" \l "anchor")", "http://x.org"},
                      TargetCase{R"(HYPERLINK \o "a tip" "http://x.org")", "http://x.org"},
                      TargetCase{R"(HYPERLINK "http://x.org" \t "_blank" \o "tip")", "http://x.org"},
                      TargetCase{R"(HYPERLINK \h "http://x.org")", "http://x.org"},
                      TargetCase{R"(HYPERLINK "C:\\dir\\file.doc")", R"(C:\dir\file.doc)"},
                      TargetCase{R"(HYPERLINK "http://x.org/a%20b")", "http://x.org/a b"},
                      TargetCase{R"(HYPERLINK "http://x.org/%E6%97%A5")", "http://x.org/日"},
                      TargetCase{R"(HYPERLINK "http://x.org/%FF")", "http://x.org/%FF"},
                      TargetCase{R"(HYPERLINK "http://x.org/%0a")", "http://x.org/%0a"},
                      TargetCase{R"(HYPERLINK "unterminated)", "unterminated"},
                      TargetCase{R"(HYPERLINK)", ""},
                      TargetCase{R"(HYPERLINKS "x")", ""},
                      TargetCase{R"(PAGEREF _Toc1 \h)", ""},
                      TargetCase{R"(INCLUDEPICTURE "http://x/p.png")", ""},
                      TargetCase{"HYPERLINK \\\xe2\x82\xac", "\\€"},
                      TargetCase{"HYPERLINK \"a\xe2\x82", "a\uFFFD"},
                      TargetCase{"", ""}));

}  // namespace
}  // namespace idxfilter::complete
