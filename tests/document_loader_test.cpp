#include "loading/document_loader.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/reference/ansi_wide_buffer.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"

#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::TempFile;

struct LoadCase {
    const char* name;
    std::string file;
    std::string out;
    unsigned ansiCodePage;  // 0: any
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }


class DocumentLoading : public ::testing::TestWithParam<LoadCase> {};

TEST_P(DocumentLoading, DeliversUtf8) {
    const LoadCase& c = GetParam();
    if (c.ansiCodePage != 0) REQUIRE_ANSI_CODE_PAGE(c.ansiCodePage);
    TempFile file(c.file);
    std::string out = "stale";
    EXPECT_EQ(DocumentLoader(file.Path()).Load(out), std::int64_t(c.out.size()));
    EXPECT_EQ(Hex(out), Hex(c.out));
}

INSTANTIATE_TEST_SUITE_P(
    , DocumentLoading,
    ::testing::Values(
        LoadCase{"EmptyFile", "", "", 0},
        LoadCase{"Utf8MarkOnly", Bytes({0xEF, 0xBB, 0xBF}), "", 0},
        LoadCase{"Utf8MarkIsDropped", Bytes({0xEF, 0xBB, 0xBF, 'h', 'i'}), "hi", 0},
        LoadCase{"Utf8WithMarkIsNotTested", Bytes({0xEF, 0xBB, 0xBF, 0x80}), Bytes({0x80}), 0},
        LoadCase{"Utf16LeMarkAloneIsEmpty", Bytes({0xFF, 0xFE}), "", 0},
        LoadCase{"Utf16BeMarkAloneIsEmpty", Bytes({0xFE, 0xFF}), "", 0},
        LoadCase{"Utf16LeOddByteIgnored", Bytes({0xFF, 0xFE, 0x41}), "", 0},
        LoadCase{"Utf16Le", Bytes({0xFF, 0xFE, 0x41, 0, 0x42, 0}), "AB", 0},
        LoadCase{"Utf16Be", Bytes({0xFE, 0xFF, 0, 0x41, 0, 0x42}), "AB", 0},
        LoadCase{"Utf16LeZeroUnitEndsText", Bytes({0xFF, 0xFE, 0x41, 0, 0, 0, 0x42, 0}), "A", 0},
        LoadCase{"Utf32LeMarkReadsAsEmptyUtf16", Bytes({0xFF, 0xFE, 0, 0, 0x41, 0, 0, 0}), "", 0},
        LoadCase{"Utf16SurrogatePairAsTwoThreeByteForms", Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}),
                 Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}), 0},
        LoadCase{"Utf16BeNonAscii", Bytes({0xFE, 0xFF, 0x04, 0x3F}), Bytes({0xD0, 0xBF}), 0},
        LoadCase{"Utf8WithoutMark", Bytes({'c', 'a', 'f', 0xC3, 0xA9}), Bytes({'c', 'a', 'f', 0xC3, 0xA9}), 0},
        LoadCase{"AnsiWord", Bytes({'c', 'a', 'f', 0xE9}), Bytes({'c', 'a', 'f', 0xC3, 0xA9}), 1252},
        LoadCase{"AnsiWordBeforeBlankIsNotTakenForUtf8", "caf\xE9 au", "caf\xC3\xA9 au", 1252},
        LoadCase{"AnsiMarkBytesAfterText", Bytes({'a', 0xFF, 0xFE}), Bytes({'a', 0xC3, 0xBF, 0xC3, 0xBE}), 1252},
        LoadCase{"AnsiStopsAtNul", Bytes({0xE9, 0, 0xE9}), Bytes({0xC3, 0xA9}), 1252},
        LoadCase{"Utf16LeWithoutMarkPassesAsUtf8", Bytes({0x41, 0, 0x42, 0}), Bytes({0x41, 0, 0x42, 0}), 0},
        LoadCase{"ShiftJisText", Bytes({0x82, 0xA0, 0x41}), Bytes({0xE3, 0x81, 0x82, 0x41}), 932}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentLoader, MissingFileGivesMinusOneAndEmptyOutput) {
    std::string out = "stale";
    EXPECT_EQ(DocumentLoader("/no/such/idxfilter/file").Load(out), -1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(DocumentLoader("").Load(out), -1);
}

TEST(DocumentLoader, DirectoryIsNotADocument) {
    TempFile file("x");
    std::string folder = std::filesystem::path(file.Path()).parent_path().string();
    std::string out;
    EXPECT_EQ(DocumentLoader(folder).Load(out), -1);
}


// Long texts are converted in slices; whatever the bytes, the result must
// be that of converting the whole text at once. The texts are mostly high
// bytes (lead and trail bytes of double-byte code pages) with few bytes
// below 0x40, where slices may end, so that slices end in every way:
// right after such a byte, far from any, or only at the end.
std::string WholeAnsiToUtf8(const std::string& bytes) {
    AnsiWideBuffer wide(bytes, true);
    Utf8Buffer utf8(wide.CStr(), false);
    return utf8.Take();
}

std::string RandomAnsiText(std::mt19937& random, std::size_t length, int lowBytesPerMillion) {
    std::string text(length, '\0');
    std::uniform_int_distribution<int> high(0x40, 0xFF);
    std::uniform_int_distribution<int> low(1, 0x3F);
    std::uniform_int_distribution<int> perMillion(0, 999999);
    for (char& c : text) c = static_cast<char>(perMillion(random) < lowBytesPerMillion ? low(random) : high(random));
    return text;
}

// Words of ASCII between double-byte characters (whose trail byte may be
// ASCII: 81 40, 95 5C), lone high bytes and punctuation, so that runs of
// ASCII are copied and the stretches between them converted.
std::string RandomMixedText(std::mt19937& random, std::size_t length) {
    std::string text;
    std::uniform_int_distribution<int> kind(0, 5), wordLength(1, 40), letter(0x40, 0x7E),
        high(0x80, 0xFF), trail(0x40, 0xFF), low(1, 0x3F);
    while (text.size() < length) {
        switch (kind(random)) {
            case 0: case 1:
                for (int n = wordLength(random); n > 0; --n) text.push_back(static_cast<char>(letter(random)));
                break;
            case 2: text.push_back(static_cast<char>(low(random))); break;
            case 3: text.push_back(static_cast<char>(high(random))); break;
            default:
                text.push_back(static_cast<char>(high(random)));
                text.push_back(static_cast<char>(trail(random)));
        }
    }
    return text;
}

TEST(SlicedLoading, LongAnsiTextConvertsAsAWhole) {
    const unsigned original = AnsiCodePage();
    std::mt19937 random(7);
    // The double-byte code pages convert through the platform's calls, the
    // single-byte ones through their table of units.
    for (unsigned codePage : {original, 932u, 936u, 949u, 950u, 874u, 1250u, 1251u, 1252u, 1253u,
                              1254u, 1255u, 1256u, 1257u}) {
        if (codePage != AnsiCodePage() && !SetAnsiCodePage(codePage)) continue;
        for (int lowBytesPerMillion : {0, 20, 20000}) {
            std::string text = RandomAnsiText(random, 300000, lowBytesPerMillion);
            TempFile file(text);
            std::string out;
            DocumentLoader(file.Path()).Load(out);
            EXPECT_EQ(out, WholeAnsiToUtf8(text)) << "code page " << codePage << ", "
                                                  << lowBytesPerMillion << " low bytes per million";
        }
        std::string mixed = RandomMixedText(random, 300000);
        TempFile file(mixed);
        std::string out;
        DocumentLoader(file.Path()).Load(out);
        EXPECT_EQ(out, WholeAnsiToUtf8(mixed)) << "code page " << codePage << ", ASCII words";
    }
    SetAnsiCodePage(original);
}

TEST(SlicedLoading, LongUtf16TextConvertsAsAWhole) {
    // A pair split between slices, and a 0 unit in a later slice.
    std::u16string units(200000, u'a');
    units[65535] = 0xD83D;
    units[65536] = 0xDE00;
    units[150000] = 0xE9;
    units[190000] = 0;
    std::string file = Bytes({0xFF, 0xFE});
    for (char16_t u : units) {
        file.push_back(static_cast<char>(u & 0xFF));
        file.push_back(static_cast<char>(u >> 8));
    }
    Utf8Buffer expected(units.c_str(), false);
    TempFile temp(file);
    std::string out;
    DocumentLoader(temp.Path()).Load(out);
    EXPECT_EQ(out.size(), expected.Bytes().size());
    EXPECT_TRUE(out == expected.Bytes());
}

}  // namespace
}  // namespace idxfilter
