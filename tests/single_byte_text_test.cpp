#include "loading/single_byte_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "loading/utf8_buffer.h"

namespace idxfilter {
namespace {

// A table with high bytes of every UTF-8 length: two-byte letters,
// three-byte characters, and units below 0x80, as some code pages give.
struct MixedTable {
    char16_t units[256];
    MixedTable() {
        for (unsigned byte = 0; byte < 0x80; ++byte) units[byte] = char16_t(byte);
        for (unsigned i = 0; i < 0x80; ++i) {
            static const char16_t kinds[] = {0x00C0, 0x3040, 0x0020, 0x0400, 0xD800};
            units[0x80 + i] = char16_t(kinds[i % 5] + i);
        }
    }
};

// The reference: each byte's unit encoded by itself, up to the first NUL.
std::string Reference(const std::string& text, const char16_t (&units)[256]) {
    std::u16string wide;
    for (char c : text) {
        if (c == '\0') break;
        wide += units[static_cast<unsigned char>(c)];
    }
    std::string out;
    AppendUnitsAsUtf8(wide.data(), wide.size(), out);
    return out;
}

// ASCII runs of every length up to 40 between runs of high bytes, so that
// both directions' block loops end in every way.
std::string RandomText(std::mt19937& random, std::size_t length) {
    std::uniform_int_distribution<int> runLength(0, 40), highCount(1, 4), letter(0x20, 0x7E), high(0x80, 0xFF);
    std::string text;
    while (text.size() < length) {
        for (int n = runLength(random); n > 0; --n) text += static_cast<char>(letter(random));
        for (int n = highCount(random); n > 0; --n) text += static_cast<char>(high(random));
    }
    text.resize(length);
    return text;
}

TEST(SingleByteToUtf8, ServesOnlyTablesThatKeepAsciiAndNeverGiveZero) {
    MixedTable table;
    EXPECT_TRUE(SingleByteToUtf8::Serves(table.units));
    table.units['\\'] = 0x00A5;
    EXPECT_FALSE(SingleByteToUtf8::Serves(table.units));
    MixedTable zero;
    zero.units[0x9F] = 0;
    EXPECT_FALSE(SingleByteToUtf8::Serves(zero.units));
}

TEST(SingleByteToUtf8, AppendAndConvertGiveEachByteItsUnitsUtf8) {
    MixedTable table;
    SingleByteToUtf8 converter(table.units);
    std::mt19937 random(11);
    for (std::size_t length : {0, 1, 15, 16, 17, 33, 100, 1000, 70000}) {
        std::string text = RandomText(random, length);
        std::string expected = Reference(text, table.units);
        std::string appended = "prefix";
        converter.Append(text, appended);
        EXPECT_EQ(appended, "prefix" + expected) << length;
        // Capacities from too small for the result to ample: the text is
        // converted in its own buffer exactly when the result fits.
        for (std::ptrdiff_t spare : {-1, 0, 1, 100}) {
            std::string owned = text;
            std::ptrdiff_t capacity = static_cast<std::ptrdiff_t>(expected.size()) + spare;
            owned.reserve(static_cast<std::size_t>(std::max<std::ptrdiff_t>(capacity, 0)));
            // (Short strings live inside the object and move by copy.)
            const bool fits = expected.size() <= owned.capacity() && owned.capacity() > std::string().capacity();
            const char* buffer = owned.data();
            std::string converted = converter.Convert(std::move(owned));
            ASSERT_EQ(converted, expected) << length << " spare " << spare;
            if (fits) {
                EXPECT_EQ(converted.data(), buffer) << length << " spare " << spare;
            }
        }
    }
}

TEST(SingleByteToUtf8, ConvertStopsAtTheFirstNul) {
    MixedTable table;
    SingleByteToUtf8 converter(table.units);
    std::string text("caf\xE9\0\xE9tail", 9);
    EXPECT_EQ(converter.Convert(text), Reference(text, table.units));
    EXPECT_EQ(converter.Convert(std::string("\0abc", 4)), "");
}

}  // namespace
}  // namespace idxfilter
