// Readable behaviour: every tests/golden/<feature>/NAME.rtf is filtered
// through the export, and its text, as UTF-8 (line breaks as delivered),
// must be the bytes of NAME.txt beside it. A document whose text depends
// on the ANSI code page has NAME.acpNNNN.txt instead, one for each code
// page it is checked under (1252 and 932, the Windows test runs); under
// other ANSI code pages it is skipped. An empty text file stands for a
// document that delivers nothing (result -1).
//
// With IDXFILTER_REGENERATE_GOLDEN=1 in the environment (portable build
// only; tests/golden/regenerate.sh) the test writes the text files
// instead, after telling by filtering under 1252, 932 and 1251 which kind
// each document needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_pages.h"
#include "test_support.h"

namespace idxfilter {
namespace {

namespace fs = std::filesystem;

using testing::Hex;

constexpr unsigned kCheckedCodePages[] = {1252, 932};
constexpr unsigned kProbedCodePages[] = {1252, 932, 1251};

struct GoldenCase {
    std::string name;  // feature/NAME
    fs::path document;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

fs::path GoldenFolder() { return fs::path(IDXFILTER_GOLDEN_DIR); }

std::vector<GoldenCase> FindCases() {
    std::vector<GoldenCase> cases;
    std::error_code error;
    for (fs::recursive_directory_iterator it(GoldenFolder(), error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (!it->is_regular_file() || path.extension() != ".rtf") continue;
        std::string name = path.parent_path().filename().string() + "/" + path.stem().string();
        cases.push_back({name, path});
    }
    std::sort(cases.begin(), cases.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return cases;
}

std::optional<std::string> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path ExpectedFor(const GoldenCase& c) { return fs::path(c.document).replace_extension(".txt"); }

fs::path ExpectedFor(const GoldenCase& c, unsigned codePage) {
    return fs::path(c.document).replace_extension(".acp" + std::to_string(codePage) + ".txt");
}

// The export's text as UTF-8, or nothing at all when it delivered nothing.
std::string FilteredText(const std::string& document) {
    testing::Delivery delivery = testing::FilterBytes(document);
    std::string text = testing::UnitsToUtf8(delivery.text);
    if (delivery.result < 0) {
        EXPECT_EQ(delivery.calls, 0);
        return {};
    }
    EXPECT_EQ(delivery.calls, 1);
    EXPECT_EQ(static_cast<std::size_t>(delivery.result), delivery.text.size());
    EXPECT_FALSE(text.empty()) << "a delivery of no units";
    return text;
}

std::string FilteredUnder(unsigned codePage, const std::string& document) {
    unsigned previous = AnsiCodePage();
    EXPECT_TRUE(SetAnsiCodePage(codePage));
    std::string text = FilteredText(document);
    SetAnsiCodePage(previous);
    return text;
}

bool Regenerating() {
    const char* flag = std::getenv("IDXFILTER_REGENERATE_GOLDEN");
    return flag != nullptr && std::string(flag) == "1";
}

void Regenerate(const GoldenCase& c, const std::string& document) {
    if (!SetAnsiCodePage(AnsiCodePage())) GTEST_SKIP() << "regenerating needs the portable code pages";
    std::vector<std::string> texts;
    for (unsigned codePage : kProbedCodePages) texts.push_back(FilteredUnder(codePage, document));
    bool independent = std::all_of(texts.begin(), texts.end(), [&](const auto& t) { return t == texts[0]; });
    std::error_code ignored;
    fs::remove(ExpectedFor(c), ignored);
    for (unsigned codePage : kProbedCodePages) fs::remove(ExpectedFor(c, codePage), ignored);
    if (independent) {
        WriteBytes(ExpectedFor(c), texts[0]);
        return;
    }
    for (unsigned codePage : kCheckedCodePages) WriteBytes(ExpectedFor(c, codePage), FilteredUnder(codePage, document));
}

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, DeliversTheTextBesideIt) {
    const GoldenCase& c = GetParam();
    std::optional<std::string> document = ReadBytes(c.document);
    ASSERT_TRUE(document) << "cannot read " << c.document;
    if (Regenerating()) return Regenerate(c, *document);

    std::optional<std::string> expected = ReadBytes(ExpectedFor(c));
    bool independent = expected.has_value();
    if (!independent) {
        expected = ReadBytes(ExpectedFor(c, AnsiCodePage()));
        if (!expected) GTEST_SKIP() << "no expected text for ANSI code page " << AnsiCodePage();
    }
    std::string text = FilteredText(*document);
    EXPECT_EQ(Hex(text), Hex(*expected)) << "text: " << text;

    // Where the code page can be switched, a text said not to depend on it
    // is checked under the others too.
    if (independent && SetAnsiCodePage(AnsiCodePage())) {
        for (unsigned codePage : kProbedCodePages)
            EXPECT_EQ(Hex(FilteredUnder(codePage, *document)), Hex(*expected)) << "ANSI code page " << codePage;
    }
}

TEST(GoldenFolder, HoldsCasesOfEveryFeature) {
    std::vector<GoldenCase> cases = FindCases();
    for (const char* feature : {"breaks", "tabs_and_cells", "code_pages_dbcs", "hyperlinks", "markers",
                                "skipped_destinations", "font_table", "glued_braces_and_blanks", "control_symbols",
                                "fuzz_seeds"}) {
        bool found = std::any_of(cases.begin(), cases.end(),
                                 [&](const GoldenCase& c) { return c.name.rfind(std::string(feature) + "/", 0) == 0; });
        EXPECT_TRUE(found) << "no case for " << feature << " under " << GoldenFolder();
    }
}

INSTANTIATE_TEST_SUITE_P(, Golden, ::testing::ValuesIn(FindCases()), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
});

}  // namespace
}  // namespace idxfilter
