#include "loading/document_loader.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace idxfilter
