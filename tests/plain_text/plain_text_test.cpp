// Plain text: how its encoding is told and how it becomes UTF-8.
#include "complete/plain_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

using namespace std::string_literals;

// ----- helpers -----

std::string Utf16(const std::u16string& units, bool bigEndian) {
    std::string bytes;
    for (char16_t unit : units) {
        char high = char(unit >> 8), low = char(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string Utf16LE(const std::u16string& units) { return Utf16(units, false); }
std::string Utf16BE(const std::u16string& units) { return Utf16(units, true); }

// The reference encoding of the tests: units to UTF-8, pairs joined, other
// surrogates U+FFFD.
std::string Utf8Of(const std::u16string& units) {
    std::string out;
    auto Put = [&](char32_t c) {
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
    };
    for (std::size_t i = 0; i < units.size(); ++i) {
        char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            Put(0x10000 + (char32_t(u - 0xD800) << 10) + (units[++i] - 0xDC00));
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            Put(0xFFFD);
        } else {
            Put(u);
        }
    }
    return out;
}

const char* Name(PlainEncoding encoding) {
    switch (encoding) {
        case PlainEncoding::Utf8: return "Utf8";
        case PlainEncoding::Utf16LE: return "Utf16LE";
        case PlainEncoding::Utf16BE: return "Utf16BE";
        case PlainEncoding::Ansi: return "Ansi";
        case PlainEncoding::Binary: return "Binary";
    }
    return "?";
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes.substr(0, 40)) {
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

bool IsWellFormedUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        std::size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        if (c == 0xE0 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
        if (c == 0xED && static_cast<unsigned char>(text[i + 1]) > 0x9F) return false;
        if (c == 0xF0 && static_cast<unsigned char>(text[i + 1]) < 0x90) return false;
        if (c == 0xF4 && static_cast<unsigned char>(text[i + 1]) > 0x8F) return false;
        i += length;
    }
    return true;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

const std::filesystem::path kSamples = IDXFILTER_PLAIN_TEXT_SAMPLES;

std::string Sample(const std::string& name) {
    std::filesystem::path path = kSamples / name;
    return std::filesystem::exists(path) ? ReadFile(path) : std::string();
}

// ----- sniffing -----

const std::u16string kGreek = u"Η Ευρωπαϊκή Ένωση, 27 κράτη μέλη.\r\nΚαλημέρα σας!\r\n";
const std::u16string kRussian = u"Изменяет пароль пользователя: passwd [параметры]\n";
const std::u16string kJapanese = u"欧州議会は、本日の会議で決議を採択しました。\n次の議題に移ります。\n";
const std::u16string kChinese = u"欧洲议会今天通过了决议。\r\n我们继续下一个议程。\r\n";

struct SniffCase {
    const char* name;
    std::string bytes;
    PlainEncoding encoding;
    std::size_t bomLength;
};

const SniffCase kSniffCases[] = {
    {"Utf8Bom", "\xEF\xBB\xBFtext", PlainEncoding::Utf8, 3},
    {"Utf8BomBeforeZeroBytes", "\xEF\xBB\xBF" "a\0b"s, PlainEncoding::Utf8, 3},
    {"Utf16LEBom", "\xFF\xFE" + Utf16LE(u"text"), PlainEncoding::Utf16LE, 2},
    {"Utf16BEBom", "\xFE\xFF" + Utf16BE(u"text"), PlainEncoding::Utf16BE, 2},
    {"Utf16BomBeforeBinarySignature", "\xFF\xFE" "%PDF-1.4", PlainEncoding::Utf16LE, 2},
    {"Utf16LEHelloWorld", Utf16LE(u"hello world"), PlainEncoding::Utf16LE, 0},
    {"Utf16BEHelloWorld", Utf16BE(u"hello world"), PlainEncoding::Utf16BE, 0},
    {"Utf16LEGreek", Utf16LE(kGreek), PlainEncoding::Utf16LE, 0},
    {"Utf16BEGreek", Utf16BE(kGreek), PlainEncoding::Utf16BE, 0},
    {"Utf16LERussian", Utf16LE(kRussian), PlainEncoding::Utf16LE, 0},
    {"Utf16LEJapanese", Utf16LE(kJapanese), PlainEncoding::Utf16LE, 0},
    {"Utf16BEChinese", Utf16BE(kChinese), PlainEncoding::Utf16BE, 0},
    {"Utf16LECutToOddLength", Utf16LE(u"hello world").substr(0, 21), PlainEncoding::Utf16LE, 0},
    {"Utf16LEWithPair", Utf16LE(u"emoji \xD83D\xDE00 here"), PlainEncoding::Utf16LE, 0},
    {"ZeroByteInText", "hello\0world!"s, PlainEncoding::Binary, 0},
    {"ZeroBytesInLongerText", "A line of text.\n\0\0\0Another line, after some zeros.\n"s, PlainEncoding::Binary, 0},
    {"OnlyZeroBytes", std::string(64, '\0'), PlainEncoding::Binary, 0},
    {"ZeroByteEndsText", "Text that a control wrote with its terminator.\r\n\0"s, PlainEncoding::Utf8, 0},
    {"ZeroPaddingEndsText", "caf\xE9 log line\n" + std::string(512, '\0'), PlainEncoding::Ansi, 0},
    {"ShortTextWithTerminator", "abc\0"s, PlainEncoding::Utf8, 0},
    {"OneUtf16Unit", Utf16LE(u"a"), PlainEncoding::Utf8, 0},
    {"ZeroBytesBeforeTheEnd", "abc\0\0def"s, PlainEncoding::Binary, 0},
    {"SixteenBitIntegers", Utf16LE(u"\x0001\x0002\x0003\x0100\x0200\x0010\x0020"), PlainEncoding::Binary, 0},
    {"Utf16LEWithLoneLowSurrogate", Utf16LE(u"text \xDC00 text"), PlainEncoding::Binary, 0},
    {"PngSignature", "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR"s, PlainEncoding::Binary, 0},
    {"ElfSignature", "\x7F" "ELF\2\1\1"s, PlainEncoding::Binary, 0},
    {"ZipSignature", "PK\3\4 plain after"s, PlainEncoding::Binary, 0},
    {"PdfSignature", "%PDF-1.4\n1 0 obj", PlainEncoding::Binary, 0},
    {"Ascii", "plain ASCII text\n", PlainEncoding::Utf8, 0},
    {"Empty", "", PlainEncoding::Utf8, 0},
    {"Utf8", "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80", PlainEncoding::Utf8, 0},
    {"Utf8CutAtTheEnd", "caf\xC3\xA9 \xE4\xB8", PlainEncoding::Utf8, 0},
    {"Utf8CutFourByteSequence", "emoji \xF0\x9F\x98", PlainEncoding::Utf8, 0},
    {"Latin1Byte", "caf\xE9 au lait", PlainEncoding::Ansi, 0},
    {"Cp1251", "\xCF\xF0\xE8\xE2\xE5\xF2", PlainEncoding::Ansi, 0},
    {"ShiftJis", "\x82\xA0\x82\xA2", PlainEncoding::Ansi, 0},
    {"EncodedSurrogateIsNotUtf8", "a\xED\xA0\x80" "b", PlainEncoding::Ansi, 0},
    {"OverlongIsNotUtf8", "a\xC0\xAF", PlainEncoding::Ansi, 0},
    {"InvalidSequenceBeforeTheEnd", "a\xE4\xB8" "b", PlainEncoding::Ansi, 0},
};

TEST(SniffPlainText, Cases) {
    for (const SniffCase& c : kSniffCases) {
        PlainSniff sniff = SniffPlainText(c.bytes);
        EXPECT_EQ(Name(sniff.encoding), std::string(Name(c.encoding))) << c.name;
        EXPECT_EQ(sniff.bomLength, c.bomLength) << c.name;
    }
}

// Long texts: the UTF-16 test reads only the start, the zero-byte and
// UTF-8 tests the whole.
TEST(SniffPlainText, ReadsTheStartForUtf16AndTheWholeForTheRest) {
    std::u16string longGreek;
    while (longGreek.size() < 10000) longGreek += kGreek;
    EXPECT_EQ(SniffPlainText(Utf16LE(longGreek) + "\x01\x02\x03").encoding, PlainEncoding::Utf16LE);
    std::string ascii(100000, 'a');
    EXPECT_EQ(SniffPlainText(ascii + "\xE9.").encoding, PlainEncoding::Ansi);
    // A high byte that ends the file is a cut sequence only after a whole one.
    EXPECT_EQ(SniffPlainText(ascii + "\xE9").encoding, PlainEncoding::Ansi);
    EXPECT_EQ(SniffPlainText("caf\xE9").encoding, PlainEncoding::Ansi);
    EXPECT_EQ(SniffPlainText(ascii + "\xC3\xA9 \xE2\x82").encoding, PlainEncoding::Utf8);
    EXPECT_EQ(SniffPlainText(ascii + '\0' + ascii).encoding, PlainEncoding::Binary);
    EXPECT_EQ(SniffPlainText(ascii + "\xC3\xA9" + ascii).encoding, PlainEncoding::Utf8);
}

// ----- decoding -----

struct DecodeCase {
    const char* name;
    std::string bytes;
    PlainSniff sniff;
    unsigned codePage;
    std::string text;
};

constexpr PlainSniff kUtf8{PlainEncoding::Utf8, 0};
constexpr PlainSniff kUtf8Bom{PlainEncoding::Utf8, 3};
constexpr PlainSniff kLE{PlainEncoding::Utf16LE, 0};
constexpr PlainSniff kBE{PlainEncoding::Utf16BE, 0};
constexpr PlainSniff kAnsi{PlainEncoding::Ansi, 0};
constexpr PlainSniff kBinary{PlainEncoding::Binary, 0};
const std::string kFFFD = "\xEF\xBF\xBD";

std::string Repeated(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

const DecodeCase kDecodeCases[] = {
    // Byte-order marks are left out; line ends become LF.
    {"Utf8BomLeftOut", "\xEF\xBB\xBFtext", kUtf8Bom, 1252, "text"},
    {"LineEnds", "a\r\nb\rc\nd\r\r\ne\n\rf\r", kUtf8, 1252, "a\nb\nc\nd\n\ne\n\nf\n"},
    {"LineEndsUtf16", Utf16LE(u"a\r\nb\rc\n"), kLE, 1252, "a\nb\nc\n"},
    {"LineEndsAnsi", "caf\xE9\r\n\r", kAnsi, 1252, "caf\xC3\xA9\n\n"},
    // Zero bytes never end the text.
    {"Utf8ZeroByteKeepsBothHalves", "first half\0second half"s, kUtf8, 1252, "first halfsecond half"},
    {"Utf8ZeroByteInsideASequence", "caf\xC3\0\xA9"s, kUtf8, 1252, "caf\xC3\xA9"},
    {"AnsiZeroByte", "caf\0\xE9 ok"s, kAnsi, 1252, "caf\xC3\xA9 ok"},
    {"Utf16ZeroUnitDropped", Utf16LE(u"a\0b"s), kLE, 1252, "ab"},
    {"Binary", "anything at all", kBinary, 1252, ""},
    // One U+FFFD for each maximal ill-formed subpart.
    {"LoneContinuation", "a\x80" "b", kUtf8, 1252, "a" + kFFFD + "b"},
    {"TwoContinuations", "\x80\xBF", kUtf8, 1252, kFFFD + kFFFD},
    {"CutTwoByteAtEnd", "a\xC3", kUtf8, 1252, "a" + kFFFD},
    {"CutThreeByteAtEnd", "a\xE2\x82", kUtf8, 1252, "a" + kFFFD},
    {"CutThreeByteBeforeAscii", "\xE2\x82(", kUtf8, 1252, kFFFD + "("},
    {"BadSecondByte", "\xE2\x28\xA1", kUtf8, 1252, kFFFD + "(" + kFFFD},
    {"EncodedSurrogate", "\xED\xA0\x80", kUtf8, 1252, kFFFD + kFFFD + kFFFD},
    {"Overlong", "\xC0\xAF", kUtf8, 1252, kFFFD + kFFFD},
    {"OverlongFourBytes", "\xF0\x80\x80\x80", kUtf8, 1252, kFFFD + kFFFD + kFFFD + kFFFD},
    {"AboveUnicode", "\xF4\x90\x80\x80", kUtf8, 1252, kFFFD + kFFFD + kFFFD + kFFFD},
    {"FiveByteForm", "\xF8\x88\x80\x80\x80", kUtf8, 1252, Repeated(kFFFD, 5)},
    {"UnicodeChapter3Example", "\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", kUtf8, 1252, Repeated(kFFFD, 4) + "A"},
    {"FEAndFF", "\xFE\xFF", kUtf8, 1252, kFFFD + kFFFD},
    {"WellFormedKept", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", kUtf8, 1252,
     "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
    // UTF-16: pairs joined, other surrogates and an odd last byte U+FFFD.
    {"Utf16Pair", Utf16BE(u"\xD83D\xDE00"), kBE, 1252, "\xF0\x9F\x98\x80"},
    {"Utf16LoneHighAtEnd", Utf16LE(u"a\xD800"), kLE, 1252, "a" + kFFFD},
    {"Utf16LoneHighBeforeText", Utf16LE(u"\xD800" "a"), kLE, 1252, kFFFD + "a"},
    {"Utf16LoneLow", Utf16LE(u"\xDC00" "a"), kLE, 1252, kFFFD + "a"},
    {"Utf16ReversedPair", Utf16LE(u"\xDC00\xD800"), kLE, 1252, kFFFD + kFFFD},
    {"Utf16OddLastByte", Utf16LE(u"ab") + "c", kLE, 1252, "ab" + kFFFD},
    {"Utf16Greek", Utf16BE(kGreek), kBE, 1252, Utf8Of(u"Η Ευρωπαϊκή Ένωση, 27 κράτη μέλη.\nΚαλημέρα σας!\n")},
    // ANSI text in the code page given.
    {"Ansi1252", "caf\xE9 \x80", kAnsi, 1252, "caf\xC3\xA9 \xE2\x82\xAC"},
    {"Ansi1251", "\xCF\xF0\xE8\xE2\xE5\xF2", kAnsi, 1251, Utf8Of(u"Привет")},
    {"Ansi932", "\x82\xA0\x82\xA2 \xB1", kAnsi, 932, Utf8Of(u"あい \xFF71")},
    {"Ansi932CutLeadByte", "\x82\xA0\x82", kAnsi, 932, Utf8Of(u"あ\x30FB")},
    {"Ansi1258", "Vi\xD2\xEAt", kAnsi, 1258, Utf8Of(u"Vi\x0309\x00EAt")},
    {"Ansi20866", "\xF0\xD2\xC9\xD7\xC5\xD4", kAnsi, 20866, Utf8Of(u"Привет")},
    {"UnknownCodePageFallsBackTo1252", "caf\xE9", kAnsi, 12345, "caf\xC3\xA9"},
};

TEST(DecodePlainText, Cases) {
    for (const DecodeCase& c : kDecodeCases)
        EXPECT_EQ(Printable(DecodePlainText(c.bytes, c.sniff, c.codePage)), Printable(c.text)) << c.name;
}

TEST(DecodePlainText, AnsiAliasIsTheCurrentAnsiCodePage) {
    unsigned saved = AnsiCodePage();
    ASSERT_TRUE(SetAnsiCodePage(1251));
    EXPECT_EQ(DecodePlainText("\xCF", kAnsi, kAnsiCodePageAlias), Utf8Of(u"П"));
    SetAnsiCodePage(saved);
}

// The decoders work in blocks and parts: a pair, a CR LF or a double-byte
// character across a boundary stays whole.
TEST(DecodePlainText, BoundariesOfBlocksAndParts) {
    for (std::size_t before : {4094u, 4095u, 4096u, 8191u, 65535u}) {
        SCOPED_TRACE(before);
        std::u16string units(before, u'a');
        EXPECT_EQ(DecodePlainText(Utf16LE(units + u"\xD83D\xDE00\r\nz"), kLE, 1252),
                  std::string(before, 'a') + "\xF0\x9F\x98\x80\nz");
        EXPECT_EQ(DecodePlainText(Utf16LE(units + u"\r\nz"), kLE, 1252), std::string(before, 'a') + "\nz");
        EXPECT_EQ(DecodePlainText(std::string(before, 'a') + "\x82\xA0\r\nz", kAnsi, 932),
                  std::string(before, 'a') + Utf8Of(u"あ") + "\nz");
    }
    // No byte below 80 at all: the text is converted in one.
    EXPECT_EQ(DecodePlainText(Repeated("\x82\xA0", 70000), kAnsi, 932), Repeated(Utf8Of(u"あ"), 70000));
}

constexpr unsigned kDoubleByteCodePages[] = {932, 936, 949, 950, 1361, 10001, 10002, 10003, 10008, 20932};

// The ANSI decoder splits text after a byte below 80, which must never be
// a lead byte: with any byte after it, it converts by itself.
TEST(DecodePlainText, BytesBelow80AreNeverLeadBytes) {
    for (unsigned codePage : kDoubleByteCodePages) {
        for (int byte = 1; byte < 0x80; ++byte) {
            char bytes[2] = {char(byte), '\x82'};
            char16_t units[4];
            EXPECT_EQ(MultiByteToWide(codePage, 0, bytes, 2, units, 4), 2) << codePage << " " << byte;
        }
    }
}

// Random double-byte text of every kind of byte, long enough to be
// converted in parts, gives what one conversion of the whole gives.
TEST(DecodePlainText, AnsiInPartsIsTheConversionOfTheWhole) {
    std::uint64_t state = 0x5DEECE66Dull;
    auto Next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return unsigned(state >> 33);
    };
    for (unsigned codePage : kDoubleByteCodePages) {
        SCOPED_TRACE(codePage);
        std::string bytes;
        while (bytes.size() < 300000) {
            unsigned kind = Next() % 100;
            if (kind < 70) {
                bytes += char(0x81 + Next() % 0x7E);
                bytes += char(0x40 + Next() % 0xBF);
            } else if (kind < 98) {
                bytes += char(0x20 + Next() % 0x5F);
            } else {
                bytes += char(1 + Next() % 0xFF);
            }
        }
        std::u16string units(bytes.size(), u'\0');
        int count = MultiByteToWide(codePage, 0, bytes.data(), int(bytes.size()), units.data(), int(units.size()));
        ASSERT_GT(count, 0);
        units.resize(std::size_t(count));
        // Some Mac double-byte tables give 0000 for undefined bytes; the
        // text leaves it out as it leaves out zero bytes.
        std::u16string withoutCr;
        for (std::size_t i = 0; i < units.size(); ++i) {
            if (units[i] == u'\0') continue;
            if (units[i] == u'\r') {
                withoutCr += u'\n';
                if (i + 1 < units.size() && units[i + 1] == u'\n') ++i;
            } else {
                withoutCr += units[i];
            }
        }
        std::string got = DecodePlainText(bytes, kAnsi, codePage), expected = Utf8Of(withoutCr);
        auto [g, e] = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
        EXPECT_TRUE(g == got.end() && e == expected.end())
            << "differs at byte " << (g - got.begin()) << " of " << got.size() << ": "
            << Printable(std::string(g, std::min(g + 12, got.end()))) << " against "
            << Printable(std::string(e, std::min(e + 12, expected.end())));
    }
}

// ----- the shared samples -----

// Every prefix of every sample is sniffed and decoded to well-formed UTF-8
// without CR or U+0000 (a prefix ends anywhere: mid-sequence, mid-unit).
TEST(PlainTextSamples, EveryPrefixDecodesToWellFormedUtf8) {
    if (!std::filesystem::exists(kSamples)) GTEST_SKIP() << "no samples at " << kSamples;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples)) {
        std::string bytes = ReadFile(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            std::string prefix = bytes.substr(0, length);
            std::string text = DecodePlainText(prefix, SniffPlainText(prefix), 1251);
            ASSERT_TRUE(IsWellFormedUtf8(text)) << "prefix " << length;
            ASSERT_EQ(text.find_first_of("\r"s + '\0'), std::string::npos) << "prefix " << length;
        }
    }
}

TEST(PlainTextSamples, EncodingsAsTheirNamesSay) {
    struct Case {
        const char* file;
        PlainEncoding encoding;
    };
    const Case cases[] = {
        {"europarl_el.utf16le-nobom.txt", PlainEncoding::Utf16LE},
        {"europarl_ja.utf8-bom.txt", PlainEncoding::Utf8},
        {"europarl_zh.utf8-nobom.txt", PlainEncoding::Utf8},
        {"man_ru_passwd.cp1251.txt", PlainEncoding::Ansi},
        {"man_ru_passwd.utf16be-bom.txt", PlainEncoding::Utf16BE},
        {"udhr_known.utf16le-bom.txt", PlainEncoding::Utf16LE},
    };
    int found = 0;
    for (const Case& c : cases) {
        std::string bytes = Sample(c.file);
        if (bytes.empty()) continue;
        ++found;
        EXPECT_EQ(Name(SniffPlainText(bytes).encoding), std::string(Name(c.encoding))) << c.file;
    }
    if (found == 0) GTEST_SKIP() << "no samples at " << kSamples;
}

// The same manual page in code page 1251 and in UTF-16BE with a mark
// gives the same text; the BOM-less UTF-16LE sample converts back to its
// own units.
TEST(PlainTextSamples, SameTextWhateverTheEncoding) {
    std::string cp1251 = Sample("man_ru_passwd.cp1251.txt");
    std::string utf16 = Sample("man_ru_passwd.utf16be-bom.txt");
    if (cp1251.empty() || utf16.empty()) GTEST_SKIP() << "no samples at " << kSamples;
    std::string fromUtf16 = DecodePlainText(utf16, SniffPlainText(utf16), 1252);
    EXPECT_EQ(DecodePlainText(cp1251, SniffPlainText(cp1251), 1251), fromUtf16);
    EXPECT_NE(fromUtf16.find(Utf8Of(u"Пользовательские команды")), std::string::npos);

    std::string greek = Sample("europarl_el.utf16le-nobom.txt");
    if (greek.empty()) return;
    std::string text = DecodePlainText(greek, SniffPlainText(greek), 1252);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < greek.size(); i += 2)
        if (greek[i] != '\r' || greek[i + 1] != 0) units += char16_t(uint8_t(greek[i]) | uint8_t(greek[i + 1]) << 8);
    EXPECT_EQ(text, Utf8Of(units));
}

}  // namespace
}  // namespace idxfilter::complete
