// The compact records behind the font table: the index of first entries
// and the stack of open name levels, each against the plain structure it
// stands for, and the table's reading of hostile shapes that once took
// many times the document's size.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "rtf/font_number_index.h"
#include "rtf/font_table.h"
#include "rtf/level_start_stack.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Repeat;

std::size_t FirstPositionByScan(const FontList& fonts, std::int32_t number) {
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i].number == number) return i;
    return FontNumberIndex::kNone;
}

TEST(FontNumberIndex, FindsTheFirstEntryOfEveryNumber) {
    // Small numbers with many repeats, large ones, and numbers that differ
    // only in their high bits; looked up while the list grows.
    std::mt19937 random(15);
    const std::int32_t shapes[] = {7, 300, 1 << 20, INT32_MAX};
    FontList fonts;
    FontNumberIndex index;
    for (int i = 0; i < 20000; ++i) {
        std::int32_t number;
        switch (i % 4) {
            case 0: number = static_cast<std::int32_t>(random() % 50); break;
            case 1: number = static_cast<std::int32_t>(random() % 5000) << 16; break;
            case 2: number = INT32_MAX - static_cast<std::int32_t>(random() % 3); break;
            default: number = shapes[random() % 4]; break;
        }
        AddFont(fonts, number);
        if (i % 97 == 0) {
            index.CatchUp(fonts);
            for (std::int32_t probe : {number, number ^ 1, 0, -1, INT32_MAX, 1 << 16})
                ASSERT_EQ(index.Find(probe), FirstPositionByScan(fonts, probe)) << "probe " << probe;
        }
    }
    index.CatchUp(fonts);
    for (const FontEntry& entry : fonts)
        ASSERT_EQ(index.Find(entry.number), FirstPositionByScan(fonts, entry.number));
    EXPECT_EQ(FontNumberIndex().Find(0), FontNumberIndex::kNone);
}

TEST(LevelStartStack, GivesBackTheStartsItWasGiven) {
    // Against a plain vector of starts: runs of levels at one start, and
    // distances of one byte and of several (each a different encoding).
    std::mt19937 random(1509);
    const std::size_t distances[] = {0, 0, 0, 1, 1, 2, 127, 128, 300, 16383, 16384, std::size_t{1} << 40};
    LevelStartStack stack;
    std::vector<std::size_t> model;
    std::size_t text = 0;
    for (int step = 0; step < 200000; ++step) {
        bool open = model.empty() || random() % 100 < 55;
        if (open) {
            text += distances[random() % std::size(distances)];
            stack.Open(text);
            model.push_back(text);
        } else {
            stack.Close();
            model.pop_back();
            text = model.empty() ? text : std::max(text, model.back());
        }
        ASSERT_EQ(stack.Empty(), model.empty()) << "step " << step;
        if (!model.empty()) {
            ASSERT_EQ(stack.Top(), model.back()) << "step " << step;
        }
    }
    while (!model.empty()) {
        ASSERT_EQ(stack.Top(), model.back());
        stack.Close();
        model.pop_back();
    }
    EXPECT_TRUE(stack.Empty());
}

// The reading keeps the first entry of each number and the last entry; the
// entries in between that are neither are not kept.
TEST(ReadFontTable, KeepsFirstEntriesAndTheLastOne) {
    struct Case {
        const char* name;
        std::string table;
        std::vector<std::int32_t> numbers;   // of the entries kept
        std::vector<std::int32_t> charsets;  // of the same
    };
    const Case cases[] = {
        {"RepeatedWord", Repeat("\\f1", 100000) + "\\fcharset204}", {1, 1}, {0, 204}},
        {"FirstKeepsItsCharset", "\\f1\\fcharset238" + Repeat("\\f1\\fcharset204", 1000) + "}", {1, 1}, {238, 204}},
        {"AlternatingNumbers", Repeat("\\f1\\f2", 1000) + "\\f3}", {1, 2, 2, 3}, {0, 0, 0, 0}},
        {"NewNumberAfterRepeats", "\\f1\\f1\\f1\\f2\\fcharset161}", {1, 1, 2}, {0, 0, 161}},
        {"EntriesInGroups", Repeat("{\\f4\\fcharset128 A;}", 1000) + "}", {4, 4}, {128, 128}},
    };
    for (const Case& c : cases) {
        ConversionState state;
        std::string scratch;
        ReadFontTable(c.table.c_str(), c.table.c_str() + c.table.size(), state, scratch);
        std::vector<std::int32_t> numbers, charsets;
        for (const FontEntry& entry : state.fonts) {
            numbers.push_back(entry.number);
            charsets.push_back(entry.charset);
        }
        EXPECT_EQ(numbers, c.numbers) << c.name;
        EXPECT_EQ(charsets, c.charsets) << c.name;
    }
}

// Text in a font whose number was repeated is decoded by its first entry,
// whatever the entries after it said.
TEST(ReadFontTable, RepeatedNumbersDecodeByTheirFirstEntry) {
    std::string rtf = "{\\rtf1{\\fonttbl{\\f1\\fcharset204 A;}" + Repeat("{\\f1\\fcharset238 B;}", 500) +
                      "{\\f2\\fcharset238 C;}}\\f1 \\'e8\\f2 \\'e8}";
    EXPECT_EQ(testing::Convert(rtf), "\xD0\xB8\xC4\x8D");
}

}  // namespace
}  // namespace idxfilter
