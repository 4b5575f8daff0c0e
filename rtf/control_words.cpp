#include "rtf/control_words.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace idxfilter {
namespace {

struct Entry {
    std::string_view word;
    ControlWordRule rule;
};

constexpr ControlWordRule Text(std::string_view text) { return {ControlAction::AppendText, text}; }
constexpr ControlWordRule Act(ControlAction action) { return {action, {}}; }

// One table for every word with a rule: the ControlWordTable (words that
// stand for text), the SkipList (words whose group is skipped whole:
// SkipGroup) and the few words with an action of their own. Sorted by word
// (checked below), which also keeps a word from being listed twice.
constexpr auto kControlWordTable = std::to_array<Entry>({
    {"\\*", Act(ControlAction::Star)},
    {"\\-", Text("-")},
    {"\\:", Text(":")},
    {"\\\\", Text("\\")},
    {"\\_", Text("_")},
    {"\\author", Act(ControlAction::SkipGroup)},
    {"\\bullet", Text("*")},
    {"\\cell", Text("\t")},
    {"\\colortbl", Act(ControlAction::SkipGroup)},
    {"\\column", Text("\t")},
    {"\\creatim", Act(ControlAction::SkipGroup)},
    {"\\edmins1", Act(ControlAction::SkipGroup)},
    {"\\emdash", Text("-")},
    {"\\endash", Text("-")},
    {"\\fonttbl", Act(ControlAction::FontTable)},
    {"\\ldblquote", Text("\"")},
    {"\\line", Text("\r\n")},
    {"\\lquote", Text("'")},
    {"\\object", Act(ControlAction::Object)},
    {"\\operator", Act(ControlAction::SkipGroup)},
    {"\\page", Text("\r\n")},
    {"\\par", Text("\r\n")},
    {"\\pict", Act(ControlAction::Picture)},
    {"\\pntext", Act(ControlAction::SkipGroup)},
    {"\\pntxta", Act(ControlAction::SkipGroup)},
    {"\\pntxtb", Act(ControlAction::SkipGroup)},
    {"\\rdblquote", Text("\"")},
    {"\\result", Act(ControlAction::SkipGroup)},
    {"\\revtim", Act(ControlAction::SkipGroup)},
    {"\\row", Text("\t")},
    {"\\rquote", Text("'")},
    {"\\sect", Text("\r\n")},
    {"\\sp", Act(ControlAction::SkipGroup)},
    {"\\stylesheet", Act(ControlAction::SkipGroup)},
    {"\\tab", Text("\t")},
    {"\\title", Act(ControlAction::SkipGroup)},
    {"\\version2", Act(ControlAction::SkipGroup)},
    {"\\{", Text("{")},
    {"\\}", Text("}")},
    {"\\~", Text("~")},
});

// The StarSkipList: destinations that hold no document text, skipped
// whole when "\*" marks them: fonts' alternative data,
// list numbering levels, and the tables, blobs and markup that word
// processors and mail programs store in every document.
constexpr auto kStarSkipList = std::to_array<std::string_view>({
    "\\aftnsep",        "\\aftnsepc",   "\\bkmkend",       "\\bkmkstart",    "\\blipuid",
    "\\colorschememapping", "\\company", "\\cs10",         "\\datafield",    "\\datastore",
    "\\defchp",         "\\defpap",     "\\docvar",        "\\expandedcolortbl", "\\falt",
    "\\fchars",         "\\filetbl",    "\\fldtype",       "\\ftnsep",       "\\ftnsepc",
    "\\generator",      "\\latentstyles", "\\lchars",  "\\listoverridetable", "\\listpicture",
    "\\listtable",      "\\mmathPr",    "\\objclass",      "\\objdata",      "\\panose",
    "\\pgdsctbl",       "\\pgptbl",     "\\pnseclvl1",     "\\pnseclvl2",    "\\pnseclvl3",
    "\\pnseclvl4",      "\\pnseclvl5",  "\\pnseclvl6",     "\\pnseclvl7",    "\\pnseclvl8",
    "\\pnseclvl9",      "\\protusertbl", "\\rdf",          "\\revtbl",       "\\rsidtbl",
    "\\themedata",      "\\ud",         "\\userprops",     "\\wgrffmtfilter", "\\xmlattrname",
    "\\xmlattrvalue",   "\\xmlclose",   "\\xmlnstbl",      "\\xmlopen",
});

constexpr std::string_view kHtmlTagPrefix = "\\htmltag";

template <typename Range, typename Key>
constexpr bool IsSortedBy(const Range& range, Key key) {
    for (std::size_t i = 1; i < range.size(); ++i)
        if (!(key(range[i - 1]) < key(range[i]))) return false;
    return true;
}

static_assert(IsSortedBy(kControlWordTable, [](const Entry& e) { return e.word; }));
static_assert(IsSortedBy(kStarSkipList, [](std::string_view w) { return w; }));

// Every control token of a document is looked up here, so the words sit
// in a hash table built at compile time with a seed that gives each word a
// slot of its own: one hash, one load and one comparison per token, and
// the empty slots lead to an entry that matches no token. The hash mixes
// the length with the bytes after the backslash and the last byte,
// independently, rather than chaining every byte.
constexpr std::uint32_t HashWord(std::string_view word, std::uint32_t seed) {
    if (word.empty()) return 0;
    auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(word[i])); };
    std::size_t second = word.size() > 1 ? 1 : 0;
    std::size_t third = word.size() > 2 ? 2 : second;
    std::uint32_t mix = static_cast<std::uint32_t>(word.size()) * 0x9E3779B1u ^ byte(second) * 0x85EBCA6Bu ^
                        byte(third) * 0x27D4EB2Fu ^ byte(word.size() - 1) * 0xC2B2AE35u;
    return mix * (2 * seed + 1) >> 24;
}

constexpr std::size_t kSlots = 256;

// The words and, after them, the entry of the empty slots.
constexpr auto kEntries = [] {
    std::array<Entry, kControlWordTable.size() + 1> entries{};
    for (std::size_t i = 0; i < kControlWordTable.size(); ++i) entries[i] = kControlWordTable[i];
    return entries;
}();
constexpr std::uint8_t kNoWord = static_cast<std::uint8_t>(kControlWordTable.size());
static_assert(kControlWordTable.size() < 255);

struct SlotTable {
    std::uint32_t seed = 0;
    std::array<std::uint8_t, kSlots> entries{};
};

constexpr SlotTable kSlotTable = [] {
    for (std::uint32_t seed = 0;; ++seed) {
        SlotTable table;
        table.seed = seed;
        for (auto& entry : table.entries) entry = kNoWord;
        bool shared = false;
        for (std::size_t i = 0; i < kControlWordTable.size() && !shared; ++i) {
            std::uint8_t& entry = table.entries[HashWord(kControlWordTable[i].word, seed) % kSlots];
            shared = entry != kNoWord;
            entry = static_cast<std::uint8_t>(i);
        }
        if (!shared) return table;
    }
}();

}  // namespace

ControlWordRule FindControlWordRule(std::string_view word) {
    const Entry& entry = kEntries[kSlotTable.entries[HashWord(word, kSlotTable.seed) % kSlots]];
    return entry.word == word && !word.empty() ? entry.rule : ControlWordRule{};
}

bool IsSkippedStarDestination(std::string_view word) {
    // Mail programs number their encapsulated HTML tags: \htmltag84, ...
    if (word.substr(0, kHtmlTagPrefix.size()) == kHtmlTagPrefix) return true;
    return std::binary_search(kStarSkipList.begin(), kStarSkipList.end(), word);
}

}  // namespace idxfilter
