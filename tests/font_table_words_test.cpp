// Runs are decoded early once no font table can follow. Where the last
// font table word may stand is found by a scan of the text; the decoding
// must come out the same as if every run waited for its group's end.
#include "rtf/font_table_words.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;
using testing::Hex;

struct WordCase {
    const char* name;
    std::string text;
    std::size_t end;  // expected position, as an offset
};

void PrintTo(const WordCase& c, std::ostream* os) { *os << c.name; }

class FindingFontTableWords : public ::testing::TestWithParam<WordCase> {};

TEST_P(FindingFontTableWords, GivesTheEndOfTheLastOne) {
    const WordCase& c = GetParam();
    const char* begin = c.text.data();
    EXPECT_EQ(EndOfLastFontTableWord(begin, begin + c.text.size()) - begin, static_cast<std::ptrdiff_t>(c.end));
}

INSTANTIATE_TEST_SUITE_P(
    , FindingFontTableWords,
    ::testing::Values(
        WordCase{"None", "{\\rtf1 table able tbl fonttb}", 0},
        WordCase{"Plain", "{\\fonttbl{\\f0 A;}}text", 9},
        WordCase{"LastOfTwo", "\\fonttbl x \\fonttbl y", 19},
        WordCase{"FarIntoALongText", std::string(100, 'b') + "\\fonttbl" + std::string(100, 'b'), 108},
        WordCase{"ControlBytesBetween", std::string("\\\x01" "fo\rn\tt\x1Ft\x02" "b\x03l;"), 14},
        WordCase{"LineFeedBreaksTheWord", "\\fontt\nbl", 0},
        WordCase{"LineFeedAfterIt", "\\fonttbl\nx", 8},
        WordCase{"Escaped", "x\\'5c\\'66\\'6f\\'6e\\'74\\'74\\'62\\'6c y", 33},
        WordCase{"EscapedUpperCase", "\\'5C\\'66\\'6F\\'6E\\'74\\'74\\'62\\'6C", 32},
        WordCase{"EscapedEndsTheText", "\\'62\\'6c", 8},
        WordCase{"EscapedCutShort", "\\'62\\'6", 0},
        WordCase{"AtTheVeryStart", "b", 0},
        WordCase{"Empty", "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The sixteen-byte sifting reads each block beside the byte after it: on
// exact-size heap copies of every length around two blocks, with the word
// ending at every place, a read past the text shows under the sanitizers.
TEST(FontTableWordSearch, ReadsNoFurtherThanTheText) {
    const std::string word = "\\fonttbl";
    for (std::size_t n = 0; n <= 40; ++n) {
        for (std::size_t wordEnd = 0; wordEnd <= n; ++wordEnd) {
            std::unique_ptr<char[]> text(new char[n == 0 ? 1 : n]);
            for (std::size_t i = 0; i < n; ++i) text[i] = i % 2 ? 'b' : '6';
            bool placed = wordEnd >= word.size();
            if (placed) word.copy(text.get() + wordEnd - word.size(), word.size());
            std::size_t expected = placed ? wordEnd : 0;
            ASSERT_EQ(EndOfLastFontTableWord(text.get(), text.get() + n) - text.get(),
                      static_cast<std::ptrdiff_t>(expected))
                << "n=" << n << " wordEnd=" << wordEnd;
        }
    }
}

std::string WithFonts(const std::string& fonts, const std::string& body) {
    return "{\\rtf1\\ansi{\\fonttbl" + fonts + "}" + body + "}";
}

// After the document's last brace nothing is read, but a font table word
// there keeps every run waiting for its group's end: the reading to match.
std::string ConvertWaiting(const std::string& rtf) { return Convert(rtf + "\\fonttbl"); }

TEST(EarlyDecoding, FontTableAfterTextInTheSameGroupStillApplies) {
    const std::string fonts = "{\\f0\\fcharset0 A;}{\\f1\\fcharset238 B;}";
    const std::string bodies[] = {
        // The last font's character set changed by a later table.
        "{\\f1 \\'e8\\f0 x\\f1 \\'e8\\fonttbl\\fcharset204}\\f1 \\'e8",
        // A font the table lacked, added by a later table.
        "{\\f5 \\'e8\\f0 x\\fonttbl{\\f5\\fcharset204 C;}}\\f5 \\'e8",
        // The table word written with control bytes, and as escapes.
        std::string("{\\f1 \\'e8\\f0 x\\fon\x01ttbl\\fcharset204}\\f1 \\'e8"),
        "{\\f1 \\'e8\\f0 x\\'5c\\'66\\'6f\\'6e\\'74\\'74\\'62\\'6c\\fcharset204}\\f1 \\'e8",
    };
    for (const std::string& body : bodies) {
        std::string rtf = WithFonts(fonts, body);
        EXPECT_EQ(Hex(Convert(rtf)), Hex(ConvertWaiting(rtf))) << rtf;
    }
    // Spelled out for the first: both runs of font 1 in the group read in
    // code page 1251 ("\xD0\xB8"), not 1250 ("\xC4\x8D").
    EXPECT_EQ(Hex(Convert(WithFonts(fonts, bodies[0]))), Hex("\xD0\xB8" "x" "\xD0\xB8" "\xD0\xB8"));
}

// Random documents of fonts, groups, escapes, double-byte characters cut
// between runs, hyperlinks and font tables at any level, in every form.
// The scan must not place any table word too early, and the scanner must
// decode as if every run waited.
TEST(EarlyDecoding, RandomDocumentsDecodeAsIfEveryRunWaited) {
    struct Piece {
        std::string text;
        std::size_t wordEnd = 0;  // after its font table word; 0: none
    };
    const Piece pieces[] = {
        {"\\f0 "}, {"\\f1 "}, {"\\f2 "}, {"\\f3 "}, {"\\f9 "}, {"abc "}, {" "}, {"\\par "}, {"\\tab "},
        {"\\'82\\'a0"}, {"\\'82"}, {"\\'a0"}, {"\\'e8\\'e9"}, {"\\'83A"}, {"caf\\'e9"}, {"table "},
        {"{HYPERLINK \"http://x.test/a\"}"}, {"\\fcharset204 "},
        {"\\fonttbl{\\f9\\fcharset128 J;}}", 8},
        {"\\fonttbl\\fcharset204}", 8},
        {"\\fonttbl{\\f2\\fcharset0 L;}}", 8},
        {std::string("\\fo\x01nt\rtbl\\fcharset238}"), 10},
        {"\\'5c\\'66\\'6f\\'6e\\'74\\'74\\'62\\'6C{\\f3\\fcharset204 K;}}", 32},
    };
    const std::string fonts = "{\\f0\\fcharset0 A;}{\\f1\\fcharset128 M;}{\\f2\\fcharset238 B;}";
    const std::string head = "{\\rtf1\\ansi{\\fonttbl" + fonts + "}";
    std::mt19937 random(2026);
    for (int document = 0; document < 3000; ++document) {
        std::string rtf = head;
        std::size_t lastWordEnd = std::string("{\\rtf1\\ansi{\\fonttbl").size();
        int depth = 0;
        int length = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) {
            unsigned choice = random() % 24;
            if (choice < 2) {
                rtf += "{";
                ++depth;
            } else if (choice < 4 && depth > 0) {
                rtf += "}";
                --depth;
            } else {
                const Piece& piece = pieces[random() % std::size(pieces)];
                // A table word closes the group it stands in.
                if (piece.wordEnd != 0) {
                    if (depth == 0) continue;
                    --depth;
                    lastWordEnd = rtf.size() + piece.wordEnd;
                }
                rtf += piece.text;
            }
        }
        rtf.append(static_cast<std::size_t>(depth) + 1, '}');
        const char* begin = rtf.data();
        ASSERT_GE(EndOfLastFontTableWord(begin, begin + rtf.size()) - begin,
                  static_cast<std::ptrdiff_t>(lastWordEnd)) << rtf;
        ASSERT_EQ(Hex(Convert(rtf)), Hex(ConvertWaiting(rtf))) << rtf;
    }
}

}  // namespace
}  // namespace idxfilter
