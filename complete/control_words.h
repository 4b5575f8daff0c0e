// The control words the complete reader acts on, found by name.
#pragma once

#include <cstdint>
#include <string_view>

namespace idxfilter::complete {

enum class Word : std::uint8_t {
    kUnknown,
    // Breaks.
    kPar, kLine, kSect, kPage, kColumn, kTab, kCell, kNestCell, kRow, kNestRow,
    // Characters by name.
    kEmDash, kEnDash, kLQuote, kRQuote, kLDblQuote, kRDblQuote, kBullet, kEmSpace, kEnSpace, kQmSpace,
    kZwj, kZwnj,
    // Unicode.
    kU, kUc, kUpr, kUd,
    // Fonts and code pages.
    kF, kFCharset, kCpg, kDeff, kAnsiCpg, kAnsi, kMac, kPc, kPca, kPlain, kHidden,
    // Times in \creatim and \revtim.
    kYr, kMo, kDy, kHr, kMin,
    // Destinations with a meaning of their own.
    kFontTable, kInfo, kField, kFieldInstruction, kFieldResult, kPicture, kObject, kObjectResult,
    kNonShapePicture,
    // Properties, in the order of the property list.
    kTitle, kSubject, kAuthor, kManager, kCompany, kOperator, kCategory, kKeywords, kComment, kDocComment,
    kCreationTime, kRevisionTime,
    // Destinations whose text stands in a paragraph of its own.
    kSeparatedText,
    // Destinations that are read as the text around them.
    kTransparent,
    // Destinations whose content is never text.
    kSkipped,
};

// The number of properties, kTitle to kRevisionTime.
inline constexpr int kPropertyCount = static_cast<int>(Word::kRevisionTime) - static_cast<int>(Word::kTitle) + 1;

inline bool IsProperty(Word w) { return w >= Word::kTitle && w <= Word::kRevisionTime; }

// True for words that open a destination (so that \* before them does not
// make their group skipped).
inline bool IsDestination(Word w) { return w == Word::kUpr || w == Word::kUd || w >= Word::kFontTable; }

// The word of that name; kUnknown for every name the reader ignores.
Word LookUpWord(std::string_view name);

}  // namespace idxfilter::complete
