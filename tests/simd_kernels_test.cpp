// Every SSE2 kernel of the text and RTF layers against its scalar twin
// (text/ascii.h, rtf/scan_kernels.h), on inputs placed against guard pages
// so that a load or store outside the object faults.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kernel_inputs.h"
#include "rtf/scan_kernels.h"
#include "text/ascii.h"

namespace idxfilter {
namespace {

using testing::AtBothGuards;
using testing::ForEachPattern;
using testing::GuardedPages;
using testing::kBoundaryBytes;
using testing::kBoundaryUnits;
using testing::KernelLengths;
using testing::KernelShifts;

// A native build for x86 without IDXFILTER_NO_SIMD must run the kernels:
// a switch that quietly stays off would leave them untested and unused.
TEST(SimdSwitch, OnInTheNormalX86Build) {
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(IDXFILTER_NO_SIMD)
    EXPECT_EQ(IDXFILTER_SSE2, 1);
#elif defined(IDXFILTER_NO_SIMD)
    EXPECT_EQ(IDXFILTER_SSE2, 0);
#else
    GTEST_SKIP() << "a target where SSE2 is optional";
#endif
}

#if IDXFILTER_SSE2

std::string Show(const char* p, std::size_t n) {
    std::string shown;
    for (std::size_t i = 0; i < n && i < 80; ++i) shown += std::to_string(static_cast<unsigned char>(p[i])) + " ";
    return shown + (n > 80 ? "..." : "") + "(n=" + std::to_string(n) + ")";
}

std::string Show(const char16_t* p, std::size_t n) {
    std::string shown;
    for (std::size_t i = 0; i < n && i < 40; ++i) shown += std::to_string(unsigned(p[i])) + " ";
    return shown + (n > 40 ? "..." : "") + "(n=" + std::to_string(n) + ")";
}

// Kernels that read a range and give a number (a length, a count, a truth).
template <typename T>
struct SearchKernel {
    const char* name;
    std::int64_t (*sse2)(const T*, std::size_t);
    std::int64_t (*plainly)(const T*, std::size_t);
};

const SearchKernel<char> kByteSearches[] = {
    {"AsciiPrefixLength", [](const char* p, std::size_t n) -> std::int64_t { return AsciiPrefixLengthSse2(p, n); },
     [](const char* p, std::size_t n) -> std::int64_t { return AsciiPrefixLengthPlainly(p, n); }},
    {"AsciiSuffixLength", [](const char* p, std::size_t n) -> std::int64_t { return AsciiSuffixLengthSse2(p, n); },
     [](const char* p, std::size_t n) -> std::int64_t { return AsciiSuffixLengthPlainly(p, n); }},
    {"IsAsciiWithoutNul", [](const char* p, std::size_t n) -> std::int64_t { return IsAsciiWithoutNulSse2(p, n); },
     [](const char* p, std::size_t n) -> std::int64_t { return IsAsciiWithoutNulPlainly(p, n); }},
    {"Utf16LengthOfUtf8", [](const char* p, std::size_t n) { return Utf16LengthOfUtf8Sse2(p, n); },
     [](const char* p, std::size_t n) { return Utf16LengthOfUtf8Plainly(p, n); }},
    {"EndOfTextBytes", [](const char* p, std::size_t n) -> std::int64_t { return EndOfTextBytesSse2(p, p + n) - p; },
     [](const char* p, std::size_t n) -> std::int64_t { return EndOfTextBytesPlainly(p, p + n) - p; }},
};

const SearchKernel<char16_t> kUnitSearches[] = {
    {"Utf8LengthOfUnits",
     [](const char16_t* p, std::size_t n) -> std::int64_t { return Utf8LengthOfUnitsSse2(p, n); },
     [](const char16_t* p, std::size_t n) -> std::int64_t { return Utf8LengthOfUnitsPlainly(p, n); }},
    {"UnitsBeforeZero", [](const char16_t* p, std::size_t n) -> std::int64_t { return UnitsBeforeZeroSse2(p, n); },
     [](const char16_t* p, std::size_t n) -> std::int64_t { return UnitsBeforeZeroPlainly(p, n); }},
};

// Kernels that copy a leading run to `out` and give its length. The SSE2
// kernel may write past the run (never past n); only the run is compared.
template <typename In, typename Out>
struct CopyKernel {
    const char* name;
    std::size_t (*sse2)(const In*, std::size_t, Out*);
    std::size_t (*plainly)(const In*, std::size_t, Out*);
};

const CopyKernel<char, char> kByteCopies[] = {
    {"CopyAsciiPrefix", CopyAsciiPrefixSse2, CopyAsciiPrefixPlainly},
};
const CopyKernel<char, char16_t> kWidenings[] = {
    {"WidenAsciiPrefix", WidenAsciiPrefixSse2, WidenAsciiPrefixPlainly},
};
const CopyKernel<char16_t, char> kNarrowings[] = {
    {"NarrowAsciiPrefix", NarrowAsciiPrefixSse2, NarrowAsciiPrefixPlainly},
};

template <typename T>
std::vector<T> Boundaries();
template <>
std::vector<char> Boundaries<char>() {
    return std::vector<char>(kBoundaryBytes.begin(), kBoundaryBytes.end());
}
template <>
std::vector<char16_t> Boundaries<char16_t>() {
    return kBoundaryUnits;
}

template <typename T>
void ExpectSearchesAgree(const SearchKernel<T>& kernel) {
    std::mt19937 random(1509);
    const std::vector<T> boundaries = Boundaries<T>();
    GuardedPages pages(sizeof(T) * (131089 + 16));
    for (std::size_t n : KernelLengths(random)) {
        for (std::size_t shift : KernelShifts(n)) {
            ForEachPattern<T>(n, boundaries, T('a'), random, [&](const std::vector<T>& values) {
                AtBothGuards<T>(values, shift, pages, [&](const T* in) {
                    std::int64_t plain = kernel.plainly(in, n);
                    std::int64_t fast = kernel.sse2(in, n);
                    if (fast != plain) {
                        ADD_FAILURE() << kernel.name << " shift " << shift << ": " << fast << " vs " << plain
                                      << " on " << Show(in, n);
                    }
                });
            });
            if (::testing::Test::HasFailure()) return;
        }
    }
}

template <typename In, typename Out>
void ExpectCopiesAgree(const CopyKernel<In, Out>& kernel) {
    std::mt19937 random(1510);
    const std::vector<In> boundaries = Boundaries<In>();
    GuardedPages pages(sizeof(In) * (131089 + 16)), fastOut(sizeof(Out) * 131089), plainOut(sizeof(Out) * 131089);
    for (std::size_t n : KernelLengths(random)) {
        for (std::size_t shift : KernelShifts(n)) {
            ForEachPattern<In>(n, boundaries, In('a'), random, [&](const std::vector<In>& values) {
                AtBothGuards<In>(values, shift, pages, [&](const In* in) {
                    // The outputs end at their guards: a store past n faults.
                    Out* fast = fastOut.AtEnd<Out>(n);
                    Out* plain = plainOut.AtEnd<Out>(n);
                    std::size_t plainLength = kernel.plainly(in, n, plain);
                    std::size_t fastLength = kernel.sse2(in, n, fast);
                    bool same = fastLength == plainLength && std::equal(fast, fast + plainLength, plain);
                    if (!same) {
                        ADD_FAILURE() << kernel.name << " shift " << shift << ": " << fastLength << " vs "
                                      << plainLength << " on "
                                      << Show(in, n);
                    }
                });
            });
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(SimdKernels, ByteSearchesAgreeWithTheirPlainTwins) {
    for (const auto& kernel : kByteSearches) {
        SCOPED_TRACE(kernel.name);
        ExpectSearchesAgree(kernel);
    }
}

TEST(SimdKernels, UnitSearchesAgreeWithTheirPlainTwins) {
    for (const auto& kernel : kUnitSearches) {
        SCOPED_TRACE(kernel.name);
        ExpectSearchesAgree(kernel);
    }
}

TEST(SimdKernels, CopiesAgreeWithTheirPlainTwins) {
    for (const auto& kernel : kByteCopies) ExpectCopiesAgree(kernel);
    for (const auto& kernel : kWidenings) ExpectCopiesAgree(kernel);
    for (const auto& kernel : kNarrowings) ExpectCopiesAgree(kernel);
}

// The font-table sift reads the sixteen bytes at p and the one after: each
// pair of boundary bytes at each of the sixteen places, and random blocks.
TEST(SimdKernels, FontTableWordPlacesAgreeWithTheirPlainTwin) {
    GuardedPages pages(17);
    char* block = pages.AtEnd<char>(17);
    auto expectSame = [&] {
        unsigned plain = FontTableWordPlacesPlainly(block);
        unsigned fast = FontTableWordPlacesSse2(block);
        if (fast != plain)
            ADD_FAILURE() << std::hex << fast << " vs " << plain << " on "
                          << Show(block, 17);
    };
    for (unsigned char first : kBoundaryBytes) {
        for (unsigned char second : kBoundaryBytes) {
            for (int at = 0; at < 16; ++at) {
                std::memset(block, 'x', 17);
                block[at] = static_cast<char>(first);
                block[at + 1] = static_cast<char>(second);
                expectSame();
            }
        }
    }
    std::mt19937 random(1511);
    for (int round = 0; round < 20000; ++round) {
        for (int k = 0; k < 17; ++k) block[k] = static_cast<char>(kBoundaryBytes[random() % kBoundaryBytes.size()]);
        expectSame();
    }
    // Known places, so that two twins wrong the same way still fail.
    std::memcpy(block, "\\fonttbl\\'62\\'6c b", 17);
    EXPECT_EQ(FontTableWordPlacesSse2(block), (1u << 6) | (1u << 10));
    EXPECT_EQ(FontTableWordPlacesPlainly(block), (1u << 6) | (1u << 10));
}

// Four escapes "\'hh" with random digits of either case, then each of the
// sixteen bytes replaced by each boundary byte, and each escape made 00.
TEST(SimdKernels, FourPlainEscapesAgreeWithTheirPlainTwin) {
    GuardedPages pages(16);
    char* escapes = pages.AtEnd<char>(16);
    const char digits[] = "0123456789abcdefABCDEF";
    std::mt19937 random(1512);
    auto expectSame = [&] {
        std::uint32_t plainBytes = 0xDEADBEEF, fastBytes = 0xDEADBEEF;
        bool plain = DecodeFourPlainEscapesPlainly(escapes, plainBytes);
        bool fast = DecodeFourPlainEscapesSse2(escapes, fastBytes);
        if (fast != plain || (plain && fastBytes != plainBytes))
            ADD_FAILURE() << fast << " " << std::hex << fastBytes << " vs " << plain << " " << plainBytes << " on "
                          << std::string(escapes, 16);
    };
    for (int round = 0; round < 400; ++round) {
        for (int k = 0; k < 4; ++k) {
            escapes[4 * k] = '\\';
            escapes[4 * k + 1] = '\'';
            escapes[4 * k + 2] = digits[random() % 22];
            escapes[4 * k + 3] = digits[random() % 22];
        }
        expectSame();
        for (int at = 0; at < 16; ++at) {
            char kept = escapes[at];
            for (unsigned char boundary : kBoundaryBytes) {
                escapes[at] = static_cast<char>(boundary);
                expectSame();
            }
            escapes[at] = kept;
        }
        for (int k = 0; k < 4; ++k) {
            char high = escapes[4 * k + 2], low = escapes[4 * k + 3];
            escapes[4 * k + 2] = escapes[4 * k + 3] = '0';
            expectSame();
            escapes[4 * k + 2] = high;
            escapes[4 * k + 3] = low;
        }
    }
    std::memcpy(escapes, "\\'41\\'fF\\'0a\\'C3", 16);
    std::uint32_t bytes = 0;
    ASSERT_TRUE(DecodeFourPlainEscapesSse2(escapes, bytes));
    EXPECT_EQ(bytes, 0xC30AFF41u);
    ASSERT_TRUE(DecodeFourPlainEscapesPlainly(escapes, bytes));
    EXPECT_EQ(bytes, 0xC30AFF41u);
}

#endif  // IDXFILTER_SSE2

}  // namespace
}  // namespace idxfilter
