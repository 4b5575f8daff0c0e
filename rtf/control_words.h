// The control words the scanner acts on; every other control word is
// dropped and the text around it stays.
#pragma once

#include <string_view>

namespace idxfilter {

enum class ControlAction {
    None,        // no rule: the word is dropped
    AppendText,  // the word stands for text (a break, a tab, a character)
    FontTable,   // "\fonttbl"
    Object,      // "\object": the group is skipped and marked
    Picture,     // "\pict": the group is skipped and marked
    SkipGroup,   // a destination whose group never holds document text
    Star,        // "\*": the next word decides whether its group is skipped
};

struct ControlWordRule {
    ControlAction action = ControlAction::None;
    std::string_view text;  // for AppendText
};

// The rule for a whole control token (trailing control bytes removed).
// Font selection ("\f" and digits) is not a table entry: see ScanGroup.
ControlWordRule FindControlWordRule(std::string_view word);

// True for the words that, read right after "\*", make the scanner skip
// their group whole.
bool IsSkippedStarDestination(std::string_view word);

inline constexpr std::string_view kPictureMarker = " [PICTURE] ";
inline constexpr std::string_view kObjectMarker = " [OBJECT] ";

}  // namespace idxfilter
