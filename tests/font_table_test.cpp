#include "rtf/font_table.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;

struct Font {
    std::int32_t number;
    std::string name;
    std::int32_t charset;
    bool operator==(const Font&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Font& f) {
    return os << "{" << f.number << ", \"" << f.name << "\", " << f.charset << "}";
}

// Reads a font table that follows "\fonttbl" in `text`; `rest` receives
// what is left unread.
std::vector<Font> ReadFonts(const std::string& text, std::string* rest = nullptr,
                            FontList initial = {}) {
    ConversionState state;
    state.fonts = std::move(initial);
    std::string scratch;
    const char* end = text.c_str() + text.size();
    FontTableEnd tableEnd = ReadFontTable(text.c_str(), end, state, scratch);
    if (rest) *rest = std::string(tableEnd.rest) + "|" + std::string(tableEnd.pos, end);
    std::vector<Font> fonts;
    for (const FontEntry& e : state.fonts) fonts.push_back({e.number, e.name, e.charset});
    return fonts;
}

TEST(ReadFontTable, ReadsEntriesInBothForms) {
    std::string rest;
    EXPECT_EQ(ReadFonts("{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset204 Times New Roman;}}x",
                        &rest),
              (std::vector<Font>{{0, "Arial", 0}, {1, "Times New Roman", 204}}));
    EXPECT_EQ(rest, "x|");
    EXPECT_EQ(ReadFonts("\\f0\\fnil\\fcharset128 MS Gothic;}"), (std::vector<Font>{{0, "MS Gothic", 128}}));
    EXPECT_EQ(ReadFonts("{\\f5 Courier;}}"), (std::vector<Font>{{5, "Courier", 0}}));
}

TEST(ReadFontTable, SkipsDestinationsInsideEntries) {
    EXPECT_EQ(ReadFonts("{\\f0\\fbidi \\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}"
                        "Times New Roman;}{\\f1{\\*\\falt Helvetica}Arial;}}"),
              (std::vector<Font>{{0, "Times New Roman", 0}, {1, "Arial", 0}}));
}

TEST(ReadFontTable, CharsetAppliesToLastEntryAddedSoFar) {
    EXPECT_EQ(ReadFonts("{\\fcharset204\\f0 X;}}"), (std::vector<Font>{{0, "X", 0}}));
    EXPECT_EQ(ReadFonts("{\\fcharset204\\f0 X;}}", nullptr, {{2, "Y", 0}}),
              (std::vector<Font>{{2, "Y", 204}, {0, "X", 0}}));
}

TEST(ReadFontTable, IgnoresMalformedNumbers) {
    EXPECT_EQ(ReadFonts("{\\f007\\fcharset0 A;}{\\f-1 B;}{\\f8\\fcharset-2 C;}{\\f9\\fcharset0Arial;}}"),
              (std::vector<Font>{{7, "B", 0}, {8, "C", 0}, {9, "", 0}}));
}

TEST(ReadFontTable, KeepsEscapedNameBytes) {
    EXPECT_EQ(ReadFonts("{\\f1\\fcharset128 \\'82\\'6c\\'82\\'72;}}"),
              (std::vector<Font>{{1, "\x82\x6c\x82\x72", 128}}));
}

TEST(ReadFontTable, UnclosedTableEndsAtEndOfText) {
    std::string rest;
    EXPECT_EQ(ReadFonts("{\\f0 A;}", &rest), (std::vector<Font>{{0, "A", 0}}));
    EXPECT_EQ(rest, "|");
}

TEST(ReadFontTable, GluedTextAfterClosingBraceBelongsToEnclosingLevel) {
    std::string rest;
    EXPECT_EQ(ReadFonts("{\\f0 A;}B;}after", &rest), (std::vector<Font>{{0, "B", 0}}));
    EXPECT_EQ(ReadFonts("{\\f0 A;}}after more", &rest), (std::vector<Font>{{0, "A", 0}}));
    EXPECT_EQ(rest, "after|more");
}

TEST(ReadFontTable, EmptyEscapeRunDoesNotEndTable) {
    EXPECT_EQ(ReadFonts("{\\f0 A\\'00;}{\\f1 B;}}"), (std::vector<Font>{{0, "A00", 0}, {1, "B", 0}}));
}

TEST(FontTableInDocument, NothingOfItReachesTheOutput) {
    EXPECT_EQ(Convert("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 Body}"), "Body");
    EXPECT_EQ(Convert("{\\rtf1{\\fonttbl{\\f0 A;}"), "");
    EXPECT_EQ(Convert("{\\rtf1{\\fonttbl{\\f0 A;}}text after}"), "text after");
    EXPECT_EQ(Convert("{\\rtf1{\\fonttbl{\\f0 A;}}glued}"), "glued");
}

// "{HYPERLINK" opens no group in the table, as in the scanner: the "}"
// after it closes the table's group, and what follows is document text.
TEST(FontTableInDocument, HyperlinkWordIsNameText) {
    EXPECT_EQ(Convert("{\\rtf\\fonttbl{HYPERLINK}t"), "t");
    EXPECT_EQ(Convert("{\\rtf1{\\fonttbl{HYPERLINK}visible}after}"), "visibleafter");
    EXPECT_EQ(Convert("{\\rtf1{\\fonttbl{\\f0 A;}{HYPERLINK \"x\"} visible}after}"), " visibleafter");
    EXPECT_EQ(testing::FilterToUtf8("{\\rtf\\fonttbl{HYPERLINK}t"), "t");
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string_view("{\\rtf\\fonttbl{HYPERLINK}t")) utf16 += {c, '\0'};
    EXPECT_EQ(testing::FilterToUtf8(utf16), "t");
}

TEST(ParseControlNumber, AcceptsOnlyPrefixAndDigits) {
    struct Case {
        const char* token;
        const char* prefix;
        bool accepted;
        std::int32_t value;
    } cases[] = {
        {"\\f2", "\\f", true, 2},
        {"\\f007", "\\f", true, 7},
        {"\\f", "\\f", false, 0},
        {"\\fs24", "\\f", false, 0},
        {"\\fi-360", "\\f", false, 0},
        {"\\f-1", "\\f", false, 0},
        {"\\fcharset0", "\\f", false, 0},
        {"\\fcharset0", "\\fcharset", true, 0},
        {"\\fcharset238", "\\fcharset", true, 238},
        {"x\\f1", "\\f", false, 0},
        {"\\f2147483647", "\\f", true, 2147483647},
        {"\\f2147483648", "\\f", true, 2147483647},
        {"\\f99999999999999999999999", "\\f", true, 2147483647},
    };
    for (const Case& c : cases) {
        std::int32_t value = -5;
        EXPECT_EQ(ParseControlNumber(c.token, c.prefix, value), c.accepted) << c.token;
        EXPECT_EQ(value, c.accepted ? c.value : -5) << c.token;
    }
}

TEST(FindFont, TakesFirstEntryWithTheNumber) {
    FontList fonts;
    AddFont(fonts, 3);
    SetFontCharset(fonts, -1, 0);
    AddFont(fonts, 3);
    SetFontCharset(fonts, -1, 238);
    SetFontCharset(fonts, 7, 1);  // no such entry: nothing changes
    ASSERT_NE(FindFont(fonts, 3), nullptr);
    EXPECT_EQ(FindFont(fonts, 3), &fonts[0]);
    EXPECT_EQ(fonts[1].charset, 238);
    EXPECT_EQ(FindFont(fonts, -1), nullptr);
    EXPECT_EQ(FindFont(fonts, 4), nullptr);
}

}  // namespace
}  // namespace idxfilter
