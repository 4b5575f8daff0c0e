// The lookup of control words: each word the scanner acts on is found with
// its action, and words that differ from one of them only in the bytes the
// lookup's hash leaves out, or in length, case or a digit, are not.
#include "rtf/control_words.h"

#include <gtest/gtest.h>

#include <string>

namespace idxfilter {
namespace {

TEST(ControlWords, EveryWordOfTheScannerIsFound) {
    struct Case {
        const char* word;
        ControlAction action;
        std::string_view text;
    } cases[] = {
        {"\\*", ControlAction::Star, {}},           {"\\-", ControlAction::AppendText, "-"},
        {"\\:", ControlAction::AppendText, ":"},    {"\\\\", ControlAction::AppendText, "\\"},
        {"\\_", ControlAction::AppendText, "_"},    {"\\{", ControlAction::AppendText, "{"},
        {"\\}", ControlAction::AppendText, "}"},    {"\\~", ControlAction::AppendText, "~"},
        {"\\par", ControlAction::AppendText, "\r\n"}, {"\\line", ControlAction::AppendText, "\r\n"},
        {"\\page", ControlAction::AppendText, "\r\n"}, {"\\sect", ControlAction::AppendText, "\r\n"},
        {"\\tab", ControlAction::AppendText, "\t"}, {"\\cell", ControlAction::AppendText, "\t"},
        {"\\row", ControlAction::AppendText, "\t"}, {"\\column", ControlAction::AppendText, "\t"},
        {"\\bullet", ControlAction::AppendText, "*"}, {"\\emdash", ControlAction::AppendText, "-"},
        {"\\endash", ControlAction::AppendText, "-"}, {"\\lquote", ControlAction::AppendText, "'"},
        {"\\rquote", ControlAction::AppendText, "'"}, {"\\ldblquote", ControlAction::AppendText, "\""},
        {"\\rdblquote", ControlAction::AppendText, "\""}, {"\\fonttbl", ControlAction::FontTable, {}},
        {"\\object", ControlAction::Object, {}},    {"\\pict", ControlAction::Picture, {}},
        {"\\author", ControlAction::SkipGroup, {}}, {"\\colortbl", ControlAction::SkipGroup, {}},
        {"\\creatim", ControlAction::SkipGroup, {}}, {"\\edmins1", ControlAction::SkipGroup, {}},
        {"\\operator", ControlAction::SkipGroup, {}}, {"\\pntext", ControlAction::SkipGroup, {}},
        {"\\pntxta", ControlAction::SkipGroup, {}}, {"\\pntxtb", ControlAction::SkipGroup, {}},
        {"\\result", ControlAction::SkipGroup, {}}, {"\\revtim", ControlAction::SkipGroup, {}},
        {"\\sp", ControlAction::SkipGroup, {}},     {"\\stylesheet", ControlAction::SkipGroup, {}},
        {"\\title", ControlAction::SkipGroup, {}},  {"\\version2", ControlAction::SkipGroup, {}},
    };
    for (const Case& c : cases) {
        ControlWordRule rule = FindControlWordRule(c.word);
        EXPECT_EQ(rule.action, c.action) << c.word;
        EXPECT_EQ(rule.text, c.text) << c.word;
    }
}

TEST(ControlWords, NearMissesAreNotFound) {
    const char* words[] = {
        // Same length, second, third and last byte as a table word.
        "\\pnrtxta", "\\pxxxt", "\\coxxxx", "\\ldxxxxxote", "\\stxxxxxxet", "\\paxr", "\\caxl",
        // Longer, shorter, other case, other digit.
        "\\pa", "\\pard", "\\parx", "\\ta", "\\tabs", "\\PAR", "\\Tab", "\\edmins2", "\\version1",
        "\\versio", "\\rows", "\\ro", "\\s", "\\spx", "\\f", "\\fonttb", "\\fonttbls",
        // Words of real documents the scanner ignores.
        "\\plain", "\\b", "\\i", "\\fs24", "\\trowd", "\\cellx2000", "\\intbl", "\\pnlvlblt", "\\pnf3",
        "\\pn", "\\rtf1", "\\ansi", "\\deff0", "\\uc1", "\\u8212", "\\lang1033",
        // Not words at all.
        "\\", "x", "",
    };
    for (const char* word : words) EXPECT_EQ(FindControlWordRule(word).action, ControlAction::None) << word;
}

}  // namespace
}  // namespace idxfilter
