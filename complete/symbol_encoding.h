// The Symbol font's characters: what its bytes show, in Unicode.
#pragma once

namespace idxfilter::complete {

// The character that byte `byte` shows in the Symbol font (the Adobe
// Symbol encoding: Greek letters, mathematical signs, arrows), or 0 for a
// byte that shows nothing.
char32_t SymbolCharacter(unsigned char byte);

}  // namespace idxfilter::complete
