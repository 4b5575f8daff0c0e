#include "rtf/token_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "rtf/hex_number.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Bytes;
using testing::Hex;

struct TokenCase {
    const char* name;
    std::string text;
    std::string token;
    std::string rest;  // what is left after the token
    bool blankConsumed = false;
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.name; }

struct TokenRead {
    std::string token;  // in hexadecimal
    std::string rest;
    bool blankConsumed;
};

// Reads the first token of an exact-size heap copy of `input`, so that
// reading past the end shows under the sanitizers.
TokenRead ReadFirstToken(const std::string& input) {
    std::unique_ptr<char[]> text(new char[input.size() + 1]);
    std::memcpy(text.get(), input.c_str(), input.size() + 1);
    const char* end = text.get() + input.size();
    Token token;
    std::string scratch;
    const char* pos = ReadToken(text.get(), end, token, scratch);
    return {Hex(token.text), std::string(pos, end), token.blankConsumed};
}

class ReadingOneToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(ReadingOneToken, GivesTokenAndPosition) {
    const TokenCase& c = GetParam();
    TokenRead read = ReadFirstToken(c.text);
    EXPECT_EQ(read.token, Hex(c.token));
    EXPECT_EQ(read.rest, c.rest);
    EXPECT_EQ(read.blankConsumed, c.blankConsumed);
}

INSTANTIATE_TEST_SUITE_P(
    , ReadingOneToken,
    ::testing::Values(
        TokenCase{"WordEndsAtBlank", "\\par b", "\\par", "b", true},
        TokenCase{"WordConsumesLineFeed", "\\par\nb", "\\par", "b"},
        TokenCase{"WordEndsBeforeBackslash", "\\par\\tab", "\\par", "\\tab"},
        TokenCase{"DigitsStayInWord", "\\b0text more", "\\b0text", "more", true},
        TokenCase{"TextDropsControlBytes", "a b\r\nc\\x", "a bc", "\\x"},
        TokenCase{"TextKeepsApostrophe", "it's{", "it's", "{"},
        TokenCase{"EscapedBackslash", "\\\\x", "\\\\", "x"},
        TokenCase{"EscapedBrace", "\\{x", "\\{", "x"},
        TokenCase{"ControlSymbolTilde", "\\~Smith", "\\~", "Smith"},
        TokenCase{"ControlSymbolHyphen", "\\-ation", "\\-", "ation"},
        TokenCase{"StarStaysAWord", "\\*x\\y", "\\*x", "\\y"},
        TokenCase{"BackslashLineFeed", "\\\r\nb", "\\\n", "b"},
        TokenCase{"BraceAlone", "{\\rtf", "{", "\\rtf"},
        TokenCase{"BraceGluedToText", "{it is", "{it", "is", true},
        TokenCase{"HyperlinkToken", "{HYPERLINK \"x\"", "{HYPERLINK", "\"x\"", true},
        TokenCase{"EscapeRun", "\\'e9\\'ea!", Bytes({0xE9, 0xEA}), "!"},
        TokenCase{"EscapeCaseInsensitive", "\\'E9x", Bytes({0xE9}), "x"},
        TokenCase{"LastEscapeIsNotDecoded", "\\'e9", "", "e9"},
        TokenCase{"ZeroEscapeGivesNothing", "\\'00x", "", "00x"},
        TokenCase{"ApostropheAfterWord", "\\b'x\\y", "", "x\\y"},
        TokenCase{"OneDigitEscapeTakesFourBytes", "\\'e}ab", Bytes({0x0E}), "ab"},
        TokenCase{"EscapeWithSign", "\\'-1x", Bytes({0xFF}), "x"},
        TokenCase{"EscapeRunStopsAtZeroEscape", "\\'41\\'00\\'42x", "A", "\\'00\\'42x"},
        TokenCase{"EmptyText", "", "", ""},
        TokenCase{"OnlyControlBytes", "\r\n\t", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Long runs are decoded several escapes at a time; whatever breaks the
// plain form must be found at every position of such a run, and the run
// must end at the text's end exactly as a short one does.
TEST(ReadToken, EscapeRunBrokenAtEveryPosition) {
    auto escapes = [](std::size_t count, std::string& bytes) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char byte = static_cast<unsigned char>((i * 37 + 11) % 255 + 1);
            bytes.push_back(static_cast<char>(byte));
            char escape[8];
            std::snprintf(escape, sizeof escape, i % 3 == 0 ? "\\'%02X" : "\\'%02x", byte);
            text += escape;
        }
        return text;
    };
    struct Breaker {
        const char* name;
        std::string text;    // written after the plain escapes
        std::string bytes;   // what the run gives for it and what follows
        std::string rest;    // what is left after the token
    } breakers[] = {
        {"ZeroEscape", "\\'00\\'41x", "", "\\'00\\'41x"},
        {"PlainText", "!\\'41x", "", "!\\'41x"},
        {"ControlWord", "\\par x", "", "\\par x"},
        {"SignedDigit", "\\'-1\\'41x", "\xFF" "A", "x"},
        {"OneDigit", "\\'e}\\'41x", "\x0E" "A", "x"},
        {"NonHexLetter", "\\'4g\\'41x", "\x04" "A", "x"},
        {"NineAndColon", "\\'9:\\'41x", "\x09" "A", "x"},
        {"AtAndF", "\\'@F\\'41x", "", "\\'@F\\'41x"},
        {"BraceAfter", "{x", "", "{x"},
    };
    for (const Breaker& breaker : breakers) {
        for (std::size_t count = 1; count <= 40; ++count) {
            std::string expected;
            TokenRead read = ReadFirstToken(escapes(count, expected) + breaker.text);
            EXPECT_EQ(read.token, Hex(expected + breaker.bytes)) << breaker.name << " after " << count;
            EXPECT_EQ(read.rest, breaker.rest) << breaker.name << " after " << count;
        }
    }
    for (std::size_t count = 2; count <= 40; ++count) {
        std::string bytes;
        std::string input = escapes(count, bytes);
        TokenRead read = ReadFirstToken(input);
        bytes.pop_back();
        EXPECT_EQ(read.token, Hex(bytes)) << count;
        EXPECT_EQ(read.rest, input.substr(input.size() - 4)) << count;
    }
}

TEST(SkipGroup, CountsNestedAndEscapedBraces) {
    struct Case {
        std::string text;
        std::string rest;
    } cases[] = {{"a{b}c}d", "d"}, {"a\\}b}c", "b}c"}, {"a\\'7d}z", "z"}, {"{{", ""}, {"", ""}};
    for (const Case& c : cases) {
        const char* end = c.text.c_str() + c.text.size();
        EXPECT_EQ(std::string(SkipGroup(c.text.c_str(), end), end), c.rest) << c.text;
    }
}

TEST(ReadHexEscape, LeavesPositionWhenNoEscapeStarts) {
    std::string text = "ab'cd";
    unsigned char byte = 1;
    EXPECT_EQ(ReadHexEscape(text.c_str(), text.c_str() + text.size(), byte), text.c_str());
    EXPECT_EQ(byte, 0);
}

// The escapes read their digits the way the C library's sscanf reads a
// string holding just those bytes; compare over every two-byte string and
// a spread of four-byte ones built from the characters that matter.
TEST(ScanHexNumber, AgreesWithSscanf) {
    auto check = [](const char* digits, std::size_t width) {
        char copy[8] = {};
        std::memcpy(copy, digits, width);
        unsigned expected = 0;
        bool scanned = std::sscanf(copy, width == 2 ? "%2x" : "%4X", &expected) == 1;
        std::uint32_t got = 0;
        bool read = ScanHexNumber(digits, width, got);
        ASSERT_EQ(read, scanned) << "[" << copy << "]";
        if (scanned) {
            ASSERT_EQ(got, expected) << "[" << copy << "]";
        }
    };
    for (int a = 1; a < 256; ++a)
        for (int b = 1; b < 256; ++b) {
            char digits[2] = {char(a), char(b)};
            check(digits, 2);
        }
    const char alphabet[] = " \t+-0xXaF9g";
    const std::size_t n = sizeof alphabet - 1;
    for (std::size_t i = 0; i < n * n * n * n; ++i) {
        char digits[4] = {alphabet[i % n], alphabet[i / n % n], alphabet[i / n / n % n],
                          alphabet[i / n / n / n % n]};
        check(digits, 4);
    }
}

}  // namespace
}  // namespace idxfilter
