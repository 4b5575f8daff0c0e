// The plain ASCII kernels against their unit-by-unit versions.
#include "complete/plain_ascii.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace idxfilter::complete {
namespace {

// Lengths around the block of sixteen, and a stop at every position (or
// none), cover each exit of the block loops.
constexpr std::size_t kLongest = 50;

TEST(PlainAscii, WhatIsPlain) {
    EXPECT_FALSE(IsPlainAscii(0x00));
    EXPECT_TRUE(IsPlainAscii(0x01));
    EXPECT_TRUE(IsPlainAscii('\n'));
    EXPECT_FALSE(IsPlainAscii('\r'));
    EXPECT_TRUE(IsPlainAscii(0x7F));
    EXPECT_FALSE(IsPlainAscii(0x80));
    EXPECT_FALSE(IsPlainAscii(0xFF));
    EXPECT_FALSE(IsPlainAscii(0x10D));  // a unit whose low byte is CR
    EXPECT_FALSE(IsPlainAscii(0x8041));
}

// Every byte that ends a run, at every position; a second stop after the
// first must not be taken for it. Input and output are exact-size heap
// blocks, so that a read or write past them shows under the sanitizers.
TEST(PlainAscii, CopyStopsWhereThePlainCopyStops) {
    for (char stop : {'\0', '\r', '\x80', '\xE9', '\xFF'}) {
        for (std::size_t n = 0; n <= kLongest; ++n) {
            for (std::size_t at = 0; at <= n; ++at) {
                std::unique_ptr<char[]> in(new char[n + 1]), fast(new char[n + 1]), plain(new char[n + 1]);
                for (std::size_t i = 0; i < n; ++i) in[i] = char(0x20 + (i * 7) % 0x5F);
                if (at < n) in[at] = stop;
                if (at + 3 < n) in[at + 3] = '\x80';
                std::size_t expected = CopyPlainAsciiPlainly(in.get(), n, plain.get());
                ASSERT_EQ(expected, at) << "n=" << n;
                ASSERT_EQ(CopyPlainAscii(in.get(), n, fast.get()), expected) << "n=" << n << " at=" << at;
                ASSERT_EQ(std::string(fast.get(), expected), std::string(in.get(), expected));
            }
        }
    }
}

TEST(PlainAscii, NarrowStopsWhereThePlainNarrowingStops) {
    // Units whose bytes the packing could take for plain ASCII: saturated
    // to FF or to 00, or with CR or ASCII in their low byte.
    for (char16_t stop : {u'\0', u'\r', u'\x80', u'\xFF', char16_t(0x0100), char16_t(0x010D), char16_t(0x0141),
                          char16_t(0x7FFF), char16_t(0x8000), char16_t(0x8041), char16_t(0xFFFF)}) {
        for (std::size_t n = 0; n <= kLongest; ++n) {
            for (std::size_t at = 0; at <= n; ++at) {
                std::unique_ptr<char16_t[]> in(new char16_t[n + 1]);
                std::unique_ptr<char[]> fast(new char[n + 1]), plain(new char[n + 1]);
                for (std::size_t i = 0; i < n; ++i) in[i] = char16_t(0x20 + (i * 7) % 0x5F);
                if (at < n) in[at] = stop;
                std::size_t expected = NarrowPlainAsciiPlainly(in.get(), n, plain.get());
                ASSERT_EQ(expected, at) << "n=" << n << " stop=" << unsigned(stop);
                ASSERT_EQ(NarrowPlainAscii(in.get(), n, fast.get()), expected)
                    << "n=" << n << " at=" << at << " stop=" << unsigned(stop);
                ASSERT_EQ(std::string(fast.get(), expected), std::string(plain.get(), expected));
            }
        }
    }
}

// Random bytes of every value, also over more blocks than a byte lane
// counts before the lanes are summed.
TEST(PlainAscii, HighBytesCountAsOneByOne) {
    std::mt19937 random(5);
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 255u, 4079u, 4080u, 4081u, 4096u, 100003u}) {
        for (int round = 0; round < 3; ++round) {
            std::unique_ptr<char[]> text(new char[n + 1]);
            for (std::size_t i = 0; i < n; ++i)
                text[i] = char(round == 0 ? random() % 256 : round == 1 ? 0x80 | random() % 128 : 0xFF);
            ASSERT_EQ(CountHighBytes(text.get(), n), CountHighBytesPlainly(text.get(), n))
                << "n=" << n << " round=" << round;
        }
    }
}

}  // namespace
}  // namespace idxfilter::complete
