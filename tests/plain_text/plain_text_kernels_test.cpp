// Every SSE2 kernel of the complete reader's plain text against its scalar
// twin (complete/plain_text_kernels.h), on inputs placed against guard
// pages so that a load or store outside the object faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "../kernel_inputs.h"
#include "complete/plain_text_kernels.h"

namespace idxfilter::complete {
namespace {

#if IDXFILTER_SSE2

using testing::AtBothGuards;
using testing::ForEachPattern;
using testing::GuardedPages;
using testing::kBoundaryBytes;
using testing::kBoundaryUnits;
using testing::KernelLengths;
using testing::KernelShifts;

const std::vector<char> kBytes(kBoundaryBytes.begin(), kBoundaryBytes.end());
constexpr std::size_t kLongest = 131089 + 16;

std::string Show(const char* p, std::size_t n) {
    std::string shown;
    for (std::size_t i = 0; i < n && i < 80; ++i) shown += std::to_string(static_cast<unsigned char>(p[i])) + " ";
    return shown + "(n=" + std::to_string(n) + ")";
}

TEST(PlainTextKernels, HighByteCountsAgree) {
    std::mt19937 random(1520);
    GuardedPages pages(kLongest);
    for (std::size_t n : KernelLengths(random)) {
        for (std::size_t shift : KernelShifts(n)) {
            ForEachPattern<char>(n, kBytes, 'a', random, [&](const std::vector<char>& values) {
                AtBothGuards<char>(values, shift, pages, [&](const char* in) {
                    std::size_t plain = CountHighBytesPlainly(in, n), fast = CountHighBytesSse2(in, n);
                    if (fast != plain) ADD_FAILURE() << fast << " vs " << plain << " on " << Show(in, n);
                });
            });
            if (HasFailure()) return;
        }
    }
}

// The copies may store past the run they return (never past n, which the
// outputs' guards check); only the run is compared.
TEST(PlainTextKernels, PlainAsciiCopiesAgree) {
    std::mt19937 random(1521);
    GuardedPages pages(kLongest), fastOut(kLongest), plainOut(kLongest);
    for (std::size_t n : KernelLengths(random)) {
        for (std::size_t shift : KernelShifts(n)) {
            ForEachPattern<char>(n, kBytes, 'a', random, [&](const std::vector<char>& values) {
                AtBothGuards<char>(values, shift, pages, [&](const char* in) {
                    char* fast = fastOut.AtEnd<char>(n);
                    char* plain = plainOut.AtEnd<char>(n);
                    std::size_t plainLength = CopyPlainAsciiPlainly(in, n, plain);
                    std::size_t fastLength = CopyPlainAsciiSse2(in, n, fast);
                    if (fastLength != plainLength || !std::equal(fast, fast + plainLength, plain))
                        ADD_FAILURE() << fastLength << " vs " << plainLength << " on " << Show(in, n);
                });
            });
            if (HasFailure()) return;
        }
    }
}

TEST(PlainTextKernels, PlainAsciiNarrowingsAgree) {
    std::mt19937 random(1522);
    GuardedPages pages(2 * kLongest), fastOut(kLongest), plainOut(kLongest);
    for (std::size_t n : KernelLengths(random)) {
        for (std::size_t shift : KernelShifts(n)) {
            ForEachPattern<char16_t>(n, kBoundaryUnits, u'a', random, [&](const std::vector<char16_t>& values) {
                AtBothGuards<char16_t>(values, shift, pages, [&](const char16_t* in) {
                    char* fast = fastOut.AtEnd<char>(n);
                    char* plain = plainOut.AtEnd<char>(n);
                    std::size_t plainLength = NarrowPlainAsciiPlainly(in, n, plain);
                    std::size_t fastLength = NarrowPlainAsciiSse2(in, n, fast);
                    if (fastLength != plainLength || !std::equal(fast, fast + plainLength, plain))
                        ADD_FAILURE() << fastLength << " vs " << plainLength << " at n=" << n;
                });
            });
            if (HasFailure()) return;
        }
    }
}

// Line ends change the text where it lies: CR, LF and CR LF at every
// position and across every block edge, in texts dense and sparse in them.
TEST(PlainTextKernels, LineEndCompactionsAgree) {
    std::mt19937 random(1523);
    const std::vector<char> ends = {'\r', '\n', '\r', '\0', '\x80', '\xFF'};
    GuardedPages fastPages(kLongest), plainPages(kLongest);
    for (std::size_t n : KernelLengths(random)) {
        if (n > 4096) continue;
        for (std::size_t shift : KernelShifts(n)) {
            ForEachPattern<char>(n, ends, 'a', random, [&](const std::vector<char>& values) {
                char* fast = fastPages.AtEnd<char>(n, shift);
                char* plain = plainPages.AtEnd<char>(n, shift);
                std::copy(values.begin(), values.end(), fast);
                std::copy(values.begin(), values.end(), plain);
                std::size_t plainLength = CompactLineEndsPlainly(plain, n);
                std::size_t fastLength = CompactLineEndsSse2(fast, n);
                if (fastLength != plainLength || !std::equal(fast, fast + plainLength, plain))
                    ADD_FAILURE() << fastLength << " vs " << plainLength << " on "
                                  << Show(values.data(), values.size());
            });
            if (HasFailure()) return;
        }
    }
    // A CR LF pair at every position of texts to 64 bytes.
    for (std::size_t n = 2; n <= 64; ++n) {
        for (std::size_t at = 0; at + 1 < n; ++at) {
            std::string text(n, 'a');
            text[at] = '\r';
            text[at + 1] = '\n';
            char* fast = fastPages.AtEnd<char>(n);
            std::copy(text.begin(), text.end(), fast);
            ASSERT_EQ(CompactLineEndsSse2(fast, n), n - 1) << n << " " << at;
            text.erase(at, 1);
            text[at] = '\n';
            EXPECT_EQ(std::string(fast, n - 1), text) << n << " " << at;
        }
    }
}

#else

TEST(PlainTextKernels, BuiltWithoutSse2) { GTEST_SKIP() << "the scalar twins are the only kernels"; }

#endif  // IDXFILTER_SSE2

}  // namespace
}  // namespace idxfilter::complete
