// Compares the portable backend with what the system's code-page services
// did with the same random cases (recorded under Wine by win32_oracle.exe;
// the file named by IDXFILTER_CODEPAGE_ORACLE).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "platform/code_pages.h"
#include "random_cases.h"

namespace idxfilter {
namespace {

using namespace codepage_cases;

template <typename Element>
std::string Hex(const Element* data, size_t count, int digits) {
    std::ostringstream out;
    out << std::hex;
    for (size_t i = 0; i < count; ++i) {
        out.width(digits);
        out.fill('0');
        out << (unsigned(data[i]) & (digits == 2 ? 0xFFu : 0xFFFFu)) << ' ';
    }
    return out.str();
}

std::string Describe(const Outcome& outcome, int digits) {
    std::ostringstream out;
    out << "counted " << outcome.counted << ", converted " << outcome.converted << " ["
        << Hex(outcome.output.data(), outcome.output.size(), digits) << "], exact "
        << outcome.exact << ", short of one " << outcome.shortOfOne;
    return out.str();
}

TEST(CodePageDifferential, PortableMatchesSystemServices) {
    const char* path = std::getenv("IDXFILTER_CODEPAGE_ORACLE");
    if (path == nullptr || *path == '\0') GTEST_SKIP() << "IDXFILTER_CODEPAGE_ORACLE not set";
    std::FILE* file = std::fopen(path, "rb");
    ASSERT_NE(file, nullptr) << "cannot read " << path;
    uint32_t magic = 0, version = 0, ansiCodePage = 0;
    ASSERT_TRUE(ReadU32(file, magic) && ReadU32(file, version) && ReadU32(file, ansiCodePage));
    ASSERT_EQ(magic, kFileMagic);
    ASSERT_EQ(version, kFileVersion);
    unsigned previousAnsi = AnsiCodePage();
    ASSERT_TRUE(SetAnsiCodePage(ansiCodePage)) << "recorded ANSI code page " << ansiCodePage;

    std::map<unsigned, int> compared, mismatched;
    int reported = 0;
    bool truncated = false;
    auto Compare = [&](unsigned codePage, const std::string& what, const Outcome& actual,
                       int digits) {
        Outcome expected;
        if (!ReadOutcome(file, expected)) {
            truncated = true;
            return;
        }
        ++compared[codePage];
        if (expected == actual) return;
        ++mismatched[codePage];
        if (++reported <= 25)
            ADD_FAILURE() << "code page " << codePage << ", " << what << "\n  system:   "
                          << Describe(expected, digits) << "\n  portable: "
                          << Describe(actual, digits);
    };
    ForEachCase(
        [&](unsigned codePage, unsigned flags, const std::vector<char>& bytes) {
            if (truncated) return;
            Outcome actual = RunCase<char16_t>([&](char16_t* units, int capacity) {
                return MultiByteToWide(codePage, flags, bytes.data(), int(bytes.size()), units,
                                       capacity);
            });
            Compare(codePage,
                    "flags " + std::to_string(flags) + ", bytes [" +
                        Hex(bytes.data(), bytes.size(), 2) + "]",
                    actual, 4);
        },
        [&](unsigned codePage, const std::vector<char16_t>& units) {
            if (truncated) return;
            Outcome actual = RunCase<char>([&](char* bytes, int capacity) {
                return WideToMultiByte(codePage, units.data(), int(units.size()), bytes,
                                       capacity);
            });
            Compare(codePage, "units [" + Hex(units.data(), units.size(), 4) + "]", actual, 2);
        });
    uint32_t extra;
    bool atEnd = !ReadU32(file, extra);
    std::fclose(file);
    SetAnsiCodePage(previousAnsi);
    EXPECT_FALSE(truncated) << "the recording ends early: recorded with other cases?";
    EXPECT_TRUE(atEnd) << "the recording has more cases than generated";

    int total = 0;
    for (auto [codePage, count] : compared) {
        total += count;
        EXPECT_EQ(count, 3 * kCasesPerCodePage) << "code page " << codePage;
        if (mismatched[codePage])
            ADD_FAILURE() << "code page " << codePage << ": " << mismatched[codePage] << " of "
                          << count << " cases differ";
    }
    std::printf("compared %d cases in %zu code pages (ANSI code page %u)\n", total,
                compared.size(), unsigned(ansiCodePage));
}

}  // namespace
}  // namespace idxfilter
