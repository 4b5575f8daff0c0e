// The text an EQ field shows, for EQ fields whose result is empty (word
// processors that lay out phonetic guides themselves write them so).
#pragma once

#include <string>
#include <string_view>

namespace idxfilter::complete {

// For an instruction "EQ [\* format switches] expression": the text of the
// expression, its layout switches (\o, \ad, \up 10 and the rest) left out,
// and so the text of \s (raised and lowered text: the readings of a
// phonetic guide) too; fractions are written "a/b". Empty for every other
// instruction.
std::string EquationText(std::string_view instruction);

}  // namespace idxfilter::complete
