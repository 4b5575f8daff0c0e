// The tokenizer, token by token.
#include <gtest/gtest.h>

#include <string>

#include "complete/tokenizer.h"

namespace idxfilter::complete {
namespace {

// The tokens of `input`, written one after another: {, }, T(text),
// W(name) or W(name,parameter), S(symbol), X(hex byte), B(data).
std::string Tokens(std::string_view input) {
    Tokenizer tokenizer(input);
    Token token;
    std::string out;
    for (;;) {
        tokenizer.Next(token);
        switch (token.kind) {
            case TokenKind::kEnd: return out;
            case TokenKind::kGroupOpen: out += "{"; break;
            case TokenKind::kGroupClose: out += "}"; break;
            case TokenKind::kText: out += "T(" + std::string(token.text) + ")"; break;
            case TokenKind::kWord:
                out += "W(" + std::string(token.text);
                if (token.hasParameter) out += "," + std::to_string(token.parameter);
                out += ")";
                break;
            case TokenKind::kSymbol: out += "S(" + std::string(1, token.symbol) + ")"; break;
            case TokenKind::kHexByte: {
                char hex[8];
                std::snprintf(hex, sizeof hex, "X(%02x)", token.byte);
                out += hex;
                break;
            }
            case TokenKind::kBinary: out += "B(" + std::string(token.text) + ")"; break;
        }
    }
}

struct TokenCase {
    const char* name;
    std::string input;
    std::string tokens;
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.name; }

class TokenSequences : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenSequences, GivesTheTokens) { EXPECT_EQ(Tokens(GetParam().input), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(
    , TokenSequences,
    ::testing::Values(
        TokenCase{"WordBlankText", "{\\rtf1 abc}", "{W(rtf,1)T(abc)}"},
        TokenCase{"ParameterEndsAtLetter", "\\rtf1foobar", "W(rtf,1)T(foobar)"},
        TokenCase{"OnlyOneBlankTaken", "\\b  x", "W(b)T( x)"},
        TokenCase{"NegativeParameter", "\\li-720 x", "W(li,-720)T(x)"},
        TokenCase{"LoneHyphen", "\\b-x", "W(b)T(-x)"},
        TokenCase{"HugeParameterClamped", "\\u99999999999999999999 x", "W(u,2147483647)T(x)"},
        TokenCase{"HugeNegativeClamped", "\\u-99999999999999999999 x", "W(u,-2147483647)T(x)"},
        TokenCase{"WordEndsAtNonLetter", "\\par\\tab", "W(par)W(tab)"},
        TokenCase{"SymbolTakesNoBlank", "\\~ x", "S(~)T( x)"},
        TokenCase{"Escapes", "\\'e9\\'A0\\'7", "X(e9)X(a0)X(07)"},
        TokenCase{"EscapeWithoutDigits", "\\'zz", "S(')T(zz)"},
        TokenCase{"EscapeAtEnd", "\\'", "S(')"},
        TokenCase{"BackslashAtEnd", "a\\", std::string("T(a)S(\0)", 8)},
        TokenCase{"BackslashCarriageReturn", "\\\r\n", "S(\n)"},
        TokenCase{"ControlBytesPassedOver", std::string("a\r\nb\0c\td", 8), "T(a)T(b)T(c)T(d)"},
        TokenCase{"BinaryData", "\\bin3 {\\}x", "B({\\})T(x)"},
        TokenCase{"BinaryBeyondEnd", "\\bin100 ab", "B(ab)"},
        TokenCase{"BinaryNegative", "\\bin-5 ab", "B()T(ab)"},
        TokenCase{"BinaryWithoutBlank", "\\bin2{}x", "B({})T(x)"},
        TokenCase{"BinaryWithoutParameter", "\\bin x", "B()T(x)"},
        TokenCase{"HighBytesAreText", "caf\xe9\x80", "T(caf\xe9\x80)"},
        TokenCase{"LongTextInOneToken", std::string(100, 'a') + "}", "T(" + std::string(100, 'a') + ")}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tokenizing, LongWordsAndParametersReadInOnePass) {
    std::string word = "\\" + std::string(3000000, 'x') + "12 t";
    EXPECT_EQ(Tokens(word), "W(" + std::string(3000000, 'x') + ",12)T(t)");
    std::string digits = "\\f" + std::string(3000000, '9') + " t";
    EXPECT_EQ(Tokens(digits), "W(f,2147483647)T(t)");
}

}  // namespace
}  // namespace idxfilter::complete
