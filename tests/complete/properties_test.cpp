// Document properties: read from \info, handed back as fields, never in
// the text.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "complete/rtf_reader.h"

namespace idxfilter::complete {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

struct PropertiesCase {
    const char* name;
    std::string rtf;
    Fields properties;
    std::string text;
};

void PrintTo(const PropertiesCase& c, std::ostream* os) { *os << c.name; }

class Properties : public ::testing::TestWithParam<PropertiesCase> {};

TEST_P(Properties, AreHandedBack) {
    RtfText result = ReadRtf(GetParam().rtf, 1252);
    Fields got;
    for (const Property& p : result.properties) got.emplace_back(p.name, p.value);
    EXPECT_EQ(got, GetParam().properties);
    EXPECT_EQ(result.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    , Properties,
    ::testing::Values(
        PropertiesCase{"IssueExample",
                       R"({\rtf1 {\info{\title T}{\subject Budget}{\keywords alpha, beta}{\doccomm note}}Quarterly results})",
                       {{"title", "T"}, {"subject", "Budget"}, {"keywords", "alpha, beta"}, {"doccomm", "note"}},
                       "Quarterly results"},
        PropertiesCase{"EveryTextProperty",
                       R"({\rtf1{\info{\title a}{\subject b}{\author c}{\manager d}{\company e}{\operator f})"
                       R"({\category g}{\keywords h}{\comment i}{\doccomm j}}x})",
                       {{"title", "a"}, {"subject", "b"}, {"author", "c"}, {"manager", "d"}, {"company", "e"},
                        {"operator", "f"}, {"category", "g"}, {"keywords", "h"}, {"comment", "i"}, {"doccomm", "j"}},
                       "x"},
        PropertiesCase{"StarredProperties", R"({\rtf1{\info{\*\company Acme}{\*\manager Bo}}x})",
                       {{"manager", "Bo"}, {"company", "Acme"}}, "x"},
        PropertiesCase{"Times",
                       R"({\rtf1{\info{\creatim\yr2024\mo3\dy5\hr14\min7}{\revtim\yr2025\mo12\dy31\hr23\min59})"
                       R"({\printim\yr1999}{\version2}{\edmins5}{\nofpages1}}x})",
                       {{"created", "2024-03-05T14:07"}, {"revised", "2025-12-31T23:59"}}, "x"},
        PropertiesCase{"TimeWithOnlyAYear", R"({\rtf1{\info{\creatim\yr2001}}x})", {{"created", "2001-01-01T00:00"}},
                       "x"},
        PropertiesCase{"TimeWithoutYearLeftOut", R"({\rtf1{\info{\creatim\mo2}}x})", {}, "x"},
        PropertiesCase{"DecodedInTheCodePage",
                       R"({\rtf1\ansi\ansicpg1251{\info{\title \'cf\'f0\'e8\u1074?\'e5\'f2}{\author Caf\'e9}}x})",
                       {{"title", "Привет"}, {"author", "Cafй"}}, "x"},
        PropertiesCase{"BlanksTidied", R"({\rtf1{\info{\title   two \par  lines  }}x})", {{"title", "two lines"}}, "x"},
        PropertiesCase{"EmptyLeftOut", R"({\rtf1{\info{\title }{\author A}}x})", {{"author", "A"}}, "x"},
        PropertiesCase{"LaterValueWins", R"({\rtf1{\info{\title old}{\title new}}x})", {{"title", "new"}}, "x"},
        PropertiesCase{"UnknownInfoDestinationsSkipped", R"({\rtf1{\info{\hlinkbase http://x}{\*\userprops p}}x})",
                       {}, "x"},
        PropertiesCase{"InfoInsideSkippedDestinationIgnored", R"({\rtf1{\*\foo{\info{\title T}}}x})", {}, "x"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace idxfilter::complete
