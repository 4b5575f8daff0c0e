// The font-table reader against a plain recursive reading of the same
// rules, one call per brace level, on random tables made of the pieces
// that have gone wrong before: glued braces, "{HYPERLINK", escaped braces
// and backslashes, destinations, tables never closed.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "rtf/font_table.h"
#include "rtf/token_reader.h"
#include "test_support.h"

namespace idxfilter {
namespace {

struct Reading {
    FontList fonts;
    std::size_t endOffset = 0;
    std::string rest;
    bool blankConsumed = false;
};

std::string_view WithoutTrailingControlBytes(std::string_view t) {
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
    return t;
}

// A brace written as such opens or closes a level, with the text glued to
// it; so does a lone brace from an escape. "{HYPERLINK" is the one glued
// brace that stays text.
bool IsBrace(const Token& token, char brace) {
    std::string_view t = token.text;
    if (t.empty() || t[0] != brace) return false;
    if (t.size() == 1) return true;
    return !token.escapeRun && t != "{HYPERLINK";
}

class ReferenceReader {
public:
    ReferenceReader(const char* end, FontList& fonts) : end(end), fonts(fonts) {}

    struct LevelEnd {
        const char* pos;
        std::string rest;  // text glued to the closing brace
        bool blankConsumed = false;
    };

    // One brace level, from just after the token that opened it; `name`
    // starts with the text glued to that token.
    LevelEnd ReadLevel(const char* pos, std::string name) {
        Token token;
        std::string scratch;
        while (pos < end) {
            pos = ReadToken(pos, end, token, scratch);
            if (token.Empty()) continue;
            std::string_view t = token.text;
            if (IsBrace(token, '{')) {
                LevelEnd nested = ReadLevel(pos, std::string(t.substr(1)));
                pos = nested.pos;
                name += nested.rest;
            } else if (IsBrace(token, '}')) {
                if (!name.empty()) {
                    name.pop_back();
                    if (!fonts.empty()) fonts.back().name = name;
                }
                return {pos, std::string(t.substr(1)), token.blankConsumed};
            } else if (t[0] == '\\') {
                t = WithoutTrailingControlBytes(t);
                std::int32_t value;
                if (ParseControlNumber(t, "\\f", value)) {
                    fonts.push_back({value, {}, 0});
                } else if (ParseControlNumber(t, "\\fcharset", value)) {
                    if (!fonts.empty()) fonts.back().charset = value;
                } else if (t == "\\*") {
                    return {SkipGroup(pos, end), {}, false};
                }
            } else {
                name += t;
            }
        }
        return {pos, {}, false};
    }

private:
    const char* end;
    FontList& fonts;
};

Reading ReadWithReference(const std::string& table) {
    Reading reading;
    const char* begin = table.c_str();
    ReferenceReader reader(begin + table.size(), reading.fonts);
    ReferenceReader::LevelEnd levelEnd = reader.ReadLevel(begin, {});
    reading.endOffset = static_cast<std::size_t>(levelEnd.pos - begin);
    reading.rest = levelEnd.rest;
    reading.blankConsumed = levelEnd.blankConsumed;
    return reading;
}

Reading ReadWithFilter(const std::string& table) {
    Reading reading;
    ConversionState state;
    std::string scratch;
    const char* begin = table.c_str();
    FontTableEnd tableEnd = ReadFontTable(begin, begin + table.size(), state, scratch);
    reading.fonts = state.fonts;
    reading.endOffset = static_cast<std::size_t>(tableEnd.pos - begin);
    reading.rest = std::string(tableEnd.rest);
    reading.blankConsumed = tableEnd.blankConsumed;
    return reading;
}

// What the reading can still use of a table: the first entry of each
// number, which decides how its text is decoded, and the last entry, which
// a later "\fcharset" or name changes. The filter keeps no other entry.
std::vector<FontEntry> UsableEntries(const FontList& fonts) {
    std::vector<FontEntry> usable;
    std::set<std::int32_t> numbers;
    for (const FontEntry& f : fonts)
        if (numbers.insert(f.number).second) usable.push_back(f);
    if (!fonts.empty()) usable.push_back(fonts.back());
    return usable;
}

bool SameFonts(const FontList& a, const FontList& b) {
    std::vector<FontEntry> usableA = UsableEntries(a), usableB = UsableEntries(b);
    if (usableA.size() != usableB.size()) return false;
    for (std::size_t i = 0; i < usableA.size(); ++i)
        if (usableA[i].number != usableB[i].number || usableA[i].name != usableB[i].name ||
            usableA[i].charset != usableB[i].charset)
            return false;
    return true;
}

std::string Describe(const Reading& r) {
    std::string out = "end " + std::to_string(r.endOffset) + ", rest \"" + r.rest + "\"" +
                      (r.blankConsumed ? " +blank" : "") + ", fonts";
    for (const FontEntry& f : r.fonts)
        out += " {" + std::to_string(f.number) + " \"" + std::string(f.name) + "\" " + std::to_string(f.charset) + "}";
    return out;
}

std::string RandomTable(std::mt19937& random) {
    static const char* const pieces[] = {
        "{",          "}",           "{HYPERLINK",     "{HYPERLINK \"x\"}", "}t",      "}HYPERLINK",
        "\\f1",       "\\f2 ",       "\\fcharset204 ", "\\fcharset128",    "Arial;",  " ",
        "{\\*\\panose 02}", "\\*",   "\\'7b",          "\\'7d",            "\\'5c",   "\\'7bx",
        "\n",         "\\'00",       "{x",             "\\fnil ",          "}{",      "\\{",
        "{HYPERLINK}", "{HYPERLINK ", "\\f007;",       "\x01",             "b;",      "}} ",
    };
    std::string table;
    std::size_t count = 1 + random() % 14;
    for (std::size_t i = 0; i < count; ++i) table += pieces[random() % std::size(pieces)];
    return table;
}

TEST(ReadFontTable, AgreesWithReferenceOnSmallCases) {
    const char* const tables[] = {
        "{HYPERLINK}t",          "{\\f1{HYPERLINK}}after", "\\f0 {HYPERLINK \"x\"}}rest",
        "{\\f0 A;}{HYPERLINK}}", "}HYPERLINK more",        "{\\'7b}x}y",
    };
    for (std::string table : tables) {
        Reading expected = ReadWithReference(table);
        Reading actual = ReadWithFilter(table);
        EXPECT_TRUE(SameFonts(actual.fonts, expected.fonts) && actual.endOffset == expected.endOffset &&
                    actual.rest == expected.rest && actual.blankConsumed == expected.blankConsumed)
            << "table " << testing::Hex(table) << "\n  filter:    " << Describe(actual)
            << "\n  reference: " << Describe(expected);
    }
}

TEST(ReadFontTable, AgreesWithReferenceOnRandomTables) {
    constexpr int kCases = 200000;
    std::mt19937 random(20261209);
    int differences = 0;
    std::string first;
    for (int i = 0; i < kCases; ++i) {
        std::string table = RandomTable(random);
        Reading expected = ReadWithReference(table);
        Reading actual = ReadWithFilter(table);
        bool same = SameFonts(actual.fonts, expected.fonts) && actual.endOffset == expected.endOffset &&
                    actual.rest == expected.rest && actual.blankConsumed == expected.blankConsumed;
        if (!same && differences++ == 0)
            first = table + "\n  filter:    " + Describe(actual) + "\n  reference: " + Describe(expected);
    }
    EXPECT_EQ(differences, 0) << differences << " of " << kCases << " tables differ; the first:\n" << first;
}

}  // namespace
}  // namespace idxfilter
