// The shortcuts of plain-text reading against the long way round: UTF-8
// that the sniff found well-formed, decoded where it lies, against the
// full decoder; long texts in every encoding against a decoding of one
// character at a time; the document read from bytes it owns against the
// document read from a view.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "complete/document_reading.h"
#include "complete/plain_text.h"
#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

using namespace std::string_literals;

std::string Utf8Of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

// The text of a sequence of code points, one at a time: U+0000 dropped,
// CR LF and a lone CR as LF (a dropped U+0000 between them changes
// nothing), surrogates as U+FFFD.
std::string ReferenceText(const std::u32string& characters) {
    std::string out;
    bool afterCr = false;
    for (char32_t c : characters) {
        if (c == 0) continue;
        if (c == '\n' && afterCr) {
            afterCr = false;
            continue;
        }
        afterCr = c == '\r';
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        out += Utf8Of(c == '\r' ? U'\n' : c);
    }
    return out;
}

std::u32string Characters(const std::u16string& units) {
    std::u32string characters;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            characters += 0x10000 + (char32_t(u - 0xD800) << 10) + (units[++i] - 0xDC00);
        else
            characters += u;
    }
    return characters;
}

// Random characters of the kinds that take each path: long ASCII runs,
// line ends of every form, zeros, two-, three- and four-byte characters.
std::u32string RandomCharacters(std::mt19937& random, std::size_t count, bool withZeros) {
    static const char32_t kSpecial[] = {U'\r', U'\n', U'\r', U'\t', 0xE9, 0x3B1, 0x4E2D, 0x20AC, 0xFEFF, 0x1F600};
    std::u32string characters;
    while (characters.size() < count) {
        unsigned kind = random() % 100;
        if (kind < 60) {
            std::size_t run = random() % 40;
            for (std::size_t i = 0; i < run; ++i) characters += char32_t(0x20 + random() % 0x5F);
        } else if (kind < 98 || !withZeros) {
            characters += kSpecial[random() % std::size(kSpecial)];
        } else {
            characters += U'\0';
        }
    }
    return characters;
}

std::string Utf8Bytes(const std::u32string& characters) {
    std::string bytes;
    for (char32_t c : characters) bytes += Utf8Of(c);
    return bytes;
}

std::string Utf16Bytes(const std::u32string& characters, bool bigEndian) {
    std::string bytes;
    auto Unit = [&](char16_t unit) {
        bytes += char(bigEndian ? unit >> 8 : unit & 0xFF);
        bytes += char(bigEndian ? unit & 0xFF : unit >> 8);
    };
    for (char32_t c : characters) {
        if (c >= 0x10000) {
            Unit(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            Unit(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            Unit(char16_t(c));
        }
    }
    return bytes;
}

std::string FirstDifference(const std::string& got, const std::string& expected) {
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    if (at == got.size() && at == expected.size()) return "";
    return "differs at byte " + std::to_string(at) + " of " + std::to_string(got.size()) + " (expected " +
           std::to_string(expected.size()) + ")";
}

// ----- well-formed UTF-8 -----

struct WellFormedCase {
    const char* name;
    std::string bytes;
};

const WellFormedCase kWellFormedCases[] = {
    {"Empty", ""},
    {"Ascii", "plain text"},
    {"CrLf", "a\r\nb\r\n"},
    {"LoneCr", "a\rb\r"},
    {"CrCrLf", "a\r\r\nb"},
    {"LfCr", "a\n\rb"},
    {"CrAtTheEnd", "abc\r"},
    {"OnlyCr", "\r"},
    {"TerminatorAfterCr", "line\r\0"s},
    {"PaddingAfterCrLf", "line\r\n\0\0\0\0"s},
    {"Multibyte", "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80\r\n"},
    {"CutTwoByte", "caf\xC3\xA9\r\n\xC3"},
    {"CutThreeByte", "\xE4\xB8\xAD\xE4\xB8"},
    {"CutThreeByteAfterOne", "\xE4\xB8\xAD\xE4"},
    {"CutFourByte", "emoji \xF0\x9F\x98"},
    {"CutFourByteBeforePadding", "emoji \xF0\x9F\0\0"s},
    {"WholeCharacterAtTheEnd", "\xF0\x9F\x98\x80"},
    {"ByteOrderMarkInside", "a\xEF\xBB\xBF" "b"},
};

// The sniff's well-formed UTF-8, copied and changed in place, gives what
// the full decoder gives; so does the copy-free form of bytes it owns.
TEST(WellFormedUtf8, InPlaceIsTheFullDecoding) {
    for (const WellFormedCase& c : kWellFormedCases) {
        PlainSniff sniff = SniffPlainText(c.bytes);
        ASSERT_EQ(sniff.encoding, PlainEncoding::Utf8) << c.name;
        ASSERT_TRUE(sniff.wellFormed) << c.name;
        std::string full = DecodePlainText(c.bytes, {PlainEncoding::Utf8, 0}, 1252);
        EXPECT_EQ(DecodePlainText(c.bytes, sniff, 1252), full) << c.name;
        EXPECT_EQ(DecodeOwnedPlainText(c.bytes, sniff, 1252), full) << c.name;
    }
}

TEST(WellFormedUtf8, RandomTextsAreTheFullDecoding) {
    std::mt19937 random(21);
    for (int round = 0; round < 200; ++round) {
        // (A letter first: the text must not begin with a byte-order mark.)
        std::u32string characters = RandomCharacters(random, random() % 3000, false);
        characters.insert(characters.begin(), U'x');
        std::string bytes = Utf8Bytes(characters);
        // Now and then a cut end or a terminator.
        if (round % 5 == 1) bytes += "\xE4\xB8";
        if (round % 7 == 2) bytes += std::string(1 + round % 3, '\0');
        PlainSniff sniff = SniffPlainText(bytes);
        ASSERT_TRUE(sniff.wellFormed) << round;
        std::string full = DecodePlainText(bytes, {PlainEncoding::Utf8, 0}, 1252);
        ASSERT_EQ(FirstDifference(DecodeOwnedPlainText(bytes, sniff, 1252), full), "") << round;
    }
}

// Only a sniff that tested every byte says well-formed.
TEST(WellFormedUtf8, OnlyTheWholeFileTestSaysSo) {
    EXPECT_FALSE(SniffPlainText("\xEF\xBB\xBF" "caf\xC3\xA9").wellFormed);  // a mark: not tested
    EXPECT_FALSE(SniffPlainText("caf\xE9").wellFormed);
    EXPECT_FALSE(SniffPlainText(Utf16Bytes(U"hello world", false)).wellFormed);
    EXPECT_TRUE(SniffPlainText("").wellFormed);
}

// ----- long texts, one character at a time -----

TEST(DecodingPaths, Utf8WithMarkAndZerosIsOneCharacterAtATime) {
    std::mt19937 random(3);
    for (int round = 0; round < 20; ++round) {
        std::u32string characters = RandomCharacters(random, 100000, true);
        std::string bytes = "\xEF\xBB\xBF" + Utf8Bytes(characters);
        ASSERT_EQ(FirstDifference(DecodePlainText(bytes, SniffPlainText(bytes), 1252), ReferenceText(characters)),
                  "")
            << round;
    }
}

TEST(DecodingPaths, Utf16IsOneCharacterAtATime) {
    std::mt19937 random(4);
    for (bool bigEndian : {false, true}) {
        for (int round = 0; round < 10; ++round) {
            std::u32string characters = RandomCharacters(random, 100000, true);
            std::string bytes = Utf16Bytes(characters, bigEndian);
            PlainSniff sniff{bigEndian ? PlainEncoding::Utf16BE : PlainEncoding::Utf16LE, 0};
            ASSERT_EQ(FirstDifference(DecodePlainText(bytes, sniff, 1252), ReferenceText(characters)), "")
                << round << (bigEndian ? " BE" : " LE");
        }
    }
}

// Single-byte code pages, those that keep ASCII as it is and those that do
// not (Symbol, and the Arabic OEM page, whose 25 is not '%'), against one
// conversion of the whole text.
TEST(DecodingPaths, SingleByteAnsiIsTheConversionOfTheWhole) {
    std::mt19937 random(6);
    for (unsigned codePage : {1252u, 1251u, 1253u, 437u, 864u, 42u}) {
        SCOPED_TRACE(codePage);
        std::string bytes;
        while (bytes.size() < 200000) {
            unsigned kind = random() % 100;
            if (kind < 50) bytes += std::string(random() % 40, char(0x20 + random() % 0x5F));
            else if (kind < 60) bytes += "\r\n";
            else if (kind < 62) bytes += '\r';
            else if (kind < 63) bytes += '\0';
            else bytes += char(random() % 256);
        }
        // Zero bytes are left out before decoding.
        std::string withoutZeros;
        for (char c : bytes)
            if (c != '\0') withoutZeros += c;
        std::u16string units(withoutZeros.size(), u'\0');
        int count = MultiByteToWide(codePage, 0, withoutZeros.data(), int(withoutZeros.size()), units.data(),
                                    int(units.size()));
        ASSERT_EQ(count, int(withoutZeros.size()));
        std::string got = DecodePlainText(bytes, {PlainEncoding::Ansi, 0}, codePage);
        EXPECT_EQ(FirstDifference(got, ReferenceText(Characters(units))), "");
    }
}

// ----- whole documents -----

std::string Utf16LE(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) bytes += {c, '\0'};
    return bytes;
}

// Every kind of document gives the same from a view and from bytes of its
// own; whether a document is RTF does not depend on the 8-bit tests that
// RTF leaves out.
TEST(OwnedDocument, SameAsFromAView) {
    const std::string documents[] = {
        "plain text\r\nin lines\r\n",
        "caf\xC3\xA9\r\n",
        "caf\xE9\r\n",
        "\xEF\xBB\xBF" "caf\xC3\xA9",
        "{\\rtf1 Hello \\'e9}",
        "\xEF\xBB\xBF{\\rtf1 caf\xC3\xA9}",
        "{\\rtf1 zero\0bytes\0inside}"s,  // its units read as East Asian UTF-16
        "{\\rtf1 one zero\0byte}"s,
        "\xFF\xFE" + Utf16LE("{\\rtf1 wide}"),
        Utf16LE("{\\rtf1 wide without a mark}"),
        Utf16LE("hello world"),
        "\x7F" "ELF\2\1\1"s,
        "abc\0\0def"s,
        "",
        // Zero bytes only past the UTF-16 test's sample, and UTF-16 longer
        // than it.
        std::string(5000, 'a') + '\0' + "b",
        "{\\rtf1 " + std::string(5000, 'x') + "\0\0\0\0}"s,
        Utf16LE("{\\rtf1 " + std::string(5000, 'x') + "}"),
        Utf16LE(std::string(4095, 'x')) + "!",
    };
    for (const std::string& bytes : documents) {
        DocumentText fromView = ReadDocument(bytes, 1252);
        DocumentText owned = ReadOwnedDocument(bytes, 1252);
        EXPECT_EQ(int(owned.kind), int(fromView.kind)) << bytes;
        EXPECT_EQ(owned.text, fromView.text) << bytes;
        EXPECT_EQ(owned.properties.size(), fromView.properties.size()) << bytes;
        bool utf16 = SniffPlainText(bytes).encoding == PlainEncoding::Utf16LE ||
                     SniffPlainText(bytes).encoding == PlainEncoding::Utf16BE;
        EXPECT_EQ(SniffsAsUtf16(bytes), utf16) << bytes;
    }
    EXPECT_EQ(int(ReadDocument("{\\rtf1 one zero\0byte}"s, 1252).kind), int(DocumentKind::Rtf));
    EXPECT_EQ(int(ReadDocument(Utf16LE("{\\rtf1 wide without a mark}"), 1252).kind), int(DocumentKind::Rtf));
}

}  // namespace
}  // namespace idxfilter::complete

namespace idxfilter::complete {
namespace {

// Bytes the reader owns go back to the system as they are decoded, and
// read as zeros if read again: texts of several megabytes in every
// encoding, with and without zero bytes (decoded from a copy), give the
// same from their own bytes as from a view.
TEST(OwnedPlainText, SameAsFromAViewWhileItsInputIsGivenBack) {
    std::mt19937 random(8);
    auto noise = [&](std::size_t size, bool zeros) {
        std::string bytes;
        while (bytes.size() < size) {
            unsigned kind = random() % 100;
            if (kind < 60) bytes += std::string(random() % 30, char(0x20 + random() % 0x5F));
            else if (kind < 65) bytes += "\r\n";
            else if (kind < 66 && zeros) bytes += '\0';
            else bytes += char(0x80 + random() % 0x80);
        }
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
        PlainSniff sniff;
        unsigned codePage;
    };
    const std::size_t size = std::size_t{5} << 20;
    const Case cases[] = {
        {"UTF-8 mark, invalid bytes", "\xEF\xBB\xBF" + noise(size, false), {PlainEncoding::Utf8, 3}, 1252},
        {"UTF-8 mark, zeros", "\xEF\xBB\xBF" + noise(size, true), {PlainEncoding::Utf8, 3}, 1252},
        {"UTF-16LE", noise(size, true), {PlainEncoding::Utf16LE, 0}, 1252},
        {"UTF-16BE", noise(size + 1, true), {PlainEncoding::Utf16BE, 0}, 1252},
        {"1252", noise(size, true), {PlainEncoding::Ansi, 0}, 1252},
        {"932", noise(size, false), {PlainEncoding::Ansi, 0}, 932},
        {"932, zeros", noise(size, true), {PlainEncoding::Ansi, 0}, 932},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string fromView = DecodePlainText(c.bytes, c.sniff, c.codePage);
        ASSERT_GT(fromView.size(), size / 2);
        EXPECT_EQ(FirstDifference(DecodeOwnedPlainText(c.bytes, c.sniff, c.codePage), fromView), "");
    }
}

}  // namespace
}  // namespace idxfilter::complete
