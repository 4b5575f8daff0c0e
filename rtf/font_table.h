// The font table: fonts with their character sets, read from "\fonttbl".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rtf/conversion_state.h"

namespace idxfilter {

// True when `token` is `prefix` followed by one or more decimal digits and
// nothing else; `value` then receives the number, saturated at
// 2147483647 as the Windows C runtime's atoi saturates.
bool ParseControlNumber(std::string_view token, std::string_view prefix, std::int32_t& value);

void AddFont(FontList& fonts, std::int32_t number);

// Sets the character set of the entry at `index`; a negative index selects
// the last entry. Nothing changes when there is no such entry.
void SetFontCharset(FontList& fonts, std::ptrdiff_t index, std::int32_t charset);

// The first entry with `number`, in reading order, or null.
const FontEntry* FindFont(const FontList& fonts, std::int32_t number);

struct FontTableEnd {
    const char* pos;
    // Text glued to the brace that closed the table (as in "}text"): it
    // belongs to the group the table stood in.
    std::string_view rest;
    // That brace was followed by a blank, which the token reader consumed.
    bool blankConsumed = false;
};

// Reads the font table from just after its "\fonttbl" word up to and
// including the "}" that closes the group it stands in, adding its fonts
// to `state.fonts`. Nothing of it reaches the output. Nested groups are
// read in one loop, so any depth costs only a few bytes per level.
FontTableEnd ReadFontTable(const char* pos, const char* end, ConversionState& state,
                           std::string& scratch);

}  // namespace idxfilter
