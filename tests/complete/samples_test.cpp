// The shared sample documents (development machines only): every RTF
// file gives well-formed UTF-8 and some text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "complete/rtf_reader.h"
#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

namespace fs = std::filesystem;

// Samples whose body shows no text (LibreOffice gives none either, but for
// the phonetic sample, whose text stands only in an EQ field's instruction).
const std::set<std::string> kWithoutText = {
    "pandoc_image_odt.rtf",             // a floating picture only
    "tika_testWORD_multi_authors.rtf",  // document properties only
    "tika_testWORD_phonetic.rtf",       // an EQ field with an empty result
    "roundtrip_rtfjs_simplepng.rtf",    // one empty paragraph
};

TEST(SharedSamples, GiveWellFormedText) {
    const fs::path root = IDXFILTER_SHARED_SAMPLES_DIR;
    std::error_code error;
    if (!fs::is_directory(root, error)) GTEST_SKIP() << "no shared samples at " << root;
    int files = 0;
    for (const auto& folder : fs::directory_iterator(root)) {
        if (!folder.is_directory()) continue;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            if (entry.path().extension() != ".rtf") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            bool utf8 = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
            RtfText result = ReadRtf(std::string_view(bytes).substr(utf8 ? 3 : 0), 1252, utf8);
            EXPECT_TRUE(testing::IsWellFormedUtf8(result.text)) << entry.path();
            if (!kWithoutText.contains(entry.path().filename().string()))
                EXPECT_FALSE(result.text.empty()) << entry.path();
            EXPECT_EQ(result.text.find('\0'), std::string::npos) << entry.path();
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace idxfilter::complete
