// Every sample cut short, at every length (or, for long samples, at 2,000
// lengths spread evenly from 0 to the whole), through the export: a cut
// lands inside every kind of token, escape, multi-byte character and byte-
// order mark, where bounds slip. Each call must return, deliver at most
// once, and give -1 with nothing delivered or the number of units it
// delivered.
//
// The samples: tests/data (always there) and the shared sample folder,
// IDXFILTER_SAMPLES or the one beside the source tree
// (IDXFILTER_SHARED_SAMPLES_DIR, empty in the Windows build), skipped when
// absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"

namespace idxfilter {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMostLengths = 2000;

std::vector<fs::path> FilesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file()) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 0 to `size`, every one, or kMostLengths of them spread evenly with both
// ends included.
std::vector<std::size_t> CutLengths(std::size_t size) {
    std::vector<std::size_t> lengths;
    if (size < kMostLengths) {
        for (std::size_t n = 0; n <= size; ++n) lengths.push_back(n);
        return lengths;
    }
    for (std::size_t i = 0; i < kMostLengths; ++i) lengths.push_back(i * size / (kMostLengths - 1));
    return lengths;
}

::testing::AssertionResult DeliveredConsistently(const testing::Delivery& delivery) {
    if (delivery.result < 0) {
        if (delivery.result == -1 && delivery.calls == 0) return ::testing::AssertionSuccess();
    } else if (delivery.calls == 1 && static_cast<std::size_t>(delivery.result) == delivery.text.size()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "result " << delivery.result << ", " << delivery.calls
                                         << " deliveries of " << delivery.text.size() << " units";
}

// Runs every cut of every file under `folder`; returns how many files.
std::size_t FilterEveryPrefix(const fs::path& folder) {
    std::vector<fs::path> files = FilesUnder(folder);
    testing::TempFile scratch("");
    int failures = 0;
    for (const fs::path& file : files) {
        std::string bytes = ReadBytes(file);
        for (std::size_t length : CutLengths(bytes.size())) {
            // A new file each time: rewriting a truncated one makes ext4
            // write it out at once, which takes most of the time.
            std::error_code ignored;
            fs::remove(scratch.Path(), ignored);
            std::ofstream(scratch.Path(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(length));
            ::testing::AssertionResult consistent =
                DeliveredConsistently(testing::FilterFile(scratch.Path().c_str()));
            if (!consistent) {
                ADD_FAILURE() << file << " cut at " << length << ": " << consistent.message();
                if (++failures == 10) return files.size();
            }
        }
    }
    return files.size();
}

fs::path SharedSamples() {
    const char* folder = std::getenv("IDXFILTER_SAMPLES");
    return folder != nullptr && *folder != '\0' ? fs::path(folder) : fs::path(IDXFILTER_SHARED_SAMPLES_DIR);
}

TEST(EveryPrefix, OfTheTestData) { EXPECT_GT(FilterEveryPrefix(IDXFILTER_SAMPLES_DIR), 0u); }

TEST(EveryPrefix, OfTheSharedSamples) {
    fs::path folder = SharedSamples();
    if (folder.empty()) GTEST_SKIP() << "no sample folder given (IDXFILTER_SAMPLES)";
    std::error_code error;
    if (!fs::is_directory(folder, error)) GTEST_SKIP() << "no sample folder at " << folder;
    EXPECT_GT(FilterEveryPrefix(folder), 0u);
}

}  // namespace
}  // namespace idxfilter
