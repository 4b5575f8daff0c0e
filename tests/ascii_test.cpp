#include "text/ascii.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace idxfilter {
namespace {

// Texts of every length around the block sizes, with one non-ASCII value
// at every position (or none), cover each exit of the block loops.
constexpr std::size_t kLongest = 40;

TEST(AsciiPrefixes, LengthFindsTheFirstHighByteAndReadsNoFurtherThanTheText) {
    for (std::size_t n = 0; n <= kLongest; ++n) {
        for (std::size_t high = 0; high <= n; ++high) {
            // Exact-size heap copies, so that a read past the text shows
            // under the sanitizers; a second high byte after the first
            // must not be taken for it.
            std::unique_ptr<char[]> text(new char[n == 0 ? 1 : n]);
            for (std::size_t i = 0; i < n; ++i) text[i] = char('a' + i % 26);
            if (high < n) text[high] = '\xE9';
            if (high + 5 < n) text[high + 5] = '\x80';
            ASSERT_EQ(AsciiPrefixLength(text.get(), n), high) << "n=" << n;
            ASSERT_EQ(IsAscii(text.get(), n), high == n) << "n=" << n;
        }
    }
}

TEST(AsciiPrefixes, SuffixLengthFindsTheLastHighByteAndReadsNoFurtherThanTheText) {
    for (std::size_t n = 0; n <= kLongest; ++n) {
        for (std::size_t high = 0; high <= n; ++high) {
            // The last high byte at n - 1 - high, or none; another one
            // before it must not be taken for it.
            std::unique_ptr<char[]> text(new char[n == 0 ? 1 : n]);
            for (std::size_t i = 0; i < n; ++i) text[i] = char('a' + i % 26);
            if (high < n) text[n - 1 - high] = '\xE9';
            if (high + 5 < n) text[n - 1 - high - 5] = '\x80';
            ASSERT_EQ(AsciiSuffixLength(text.get(), n), high) << "n=" << n;
        }
    }
}

TEST(AsciiPrefixes, AsciiWithoutNulFindsAHighOrNulByteAnywhere) {
    for (char odd : {'\0', '\x80', '\xFF'}) {
        for (std::size_t n = 0; n <= kLongest; ++n) {
            for (std::size_t at = 0; at <= n; ++at) {
                std::unique_ptr<char[]> text(new char[n == 0 ? 1 : n]);
                for (std::size_t i = 0; i < n; ++i) text[i] = char(1 + i % 127);
                if (at < n) text[at] = odd;
                ASSERT_EQ(IsAsciiWithoutNul(text.get(), n), at == n) << "n=" << n << " at=" << at;
            }
        }
    }
}

TEST(AsciiPrefixes, WidenStopsAtTheFirstHighByteAndWritesNoFurtherThanTheText) {
    for (std::size_t n = 0; n <= kLongest; ++n) {
        for (std::size_t high = 0; high <= n; ++high) {
            std::string text(n, 'a');
            for (std::size_t i = 0; i < n; ++i) text[i] = char('a' + i % 26);
            if (high < n) text[high] = '\xE9';
            std::vector<char16_t> out(n + 1, u'#');
            std::size_t count = WidenAsciiPrefix(text.data(), n, out.data());
            ASSERT_EQ(count, high) << "n=" << n;
            for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(out[i], char16_t(text[i]));
            ASSERT_EQ(out[n], u'#') << "written past the text, n=" << n;
        }
    }
}

TEST(AsciiPrefixes, CopyStopsAtTheFirstHighByteAndWritesNoFurtherThanTheText) {
    for (std::size_t n = 0; n <= kLongest; ++n) {
        for (std::size_t high = 0; high <= n; ++high) {
            std::string text(n, 'a');
            for (std::size_t i = 0; i < n; ++i) text[i] = char('a' + i % 26);
            if (high < n) text[high] = '\x80';
            std::string out(n + 1, '#');
            std::size_t count = CopyAsciiPrefix(text.data(), n, out.data());
            ASSERT_EQ(count, high) << "n=" << n;
            ASSERT_EQ(out.substr(0, count), text.substr(0, count));
            ASSERT_EQ(out[n], '#') << "written past the text, n=" << n;
        }
    }
}

TEST(AsciiPrefixes, NarrowStopsAtTheFirstUnitAbove7FAndWritesNoFurtherThanTheText) {
    for (char16_t wide : {u'\u0080', u'\u00E9', u'\u0100', u'\u3042', u'\uFFFF'}) {
        for (std::size_t n = 0; n <= kLongest; ++n) {
            for (std::size_t high = 0; high <= n; ++high) {
                std::u16string units(n, u'a');
                for (std::size_t i = 0; i < n; ++i) units[i] = char16_t(u'A' + i % 26);
                if (high < n) units[high] = wide;
                std::string out(n + 1, '#');
                std::size_t count = NarrowAsciiPrefix(units.data(), n, out.data());
                ASSERT_EQ(count, high) << "n=" << n << " unit=" << int(wide);
                for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(out[i], char(units[i]));
                ASSERT_EQ(out[n], '#') << "written past the text, n=" << n;
            }
        }
    }
}

TEST(AsciiPrefixes, Utf8LengthMatchesUnitByUnitCounting) {
    // Long enough to fill the 16-bit counters more than once.
    std::mt19937 random(7);
    const char16_t samples[] = {u'a', u'\u007F', u'\u0080', u'\u07FF', u'\u0800', char16_t(0xD800), u'\uFFFF'};
    for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 65535u, 65536u, 65537u, 200003u}) {
        std::u16string units(n, u'a');
        std::size_t expected = 0;
        for (auto& unit : units) {
            unit = samples[random() % std::size(samples)];
            expected += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
        }
        EXPECT_EQ(Utf8LengthOfUnits(units.data(), n), expected) << "n=" << n;
    }
    std::u16string allThree(200000, u'\u3042');
    EXPECT_EQ(Utf8LengthOfUnits(allThree.data(), allThree.size()), 600000u);
}

}  // namespace
}  // namespace idxfilter
