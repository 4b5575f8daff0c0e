// Where the last word that could start a font table stands in a text, so
// that the scanner knows from which point on the font table is final.
#pragma once

namespace idxfilter {

// Returns a position in [begin, end] such that no token lying wholly at or
// after it can be read as "\fonttbl": just after the last place where such
// a word may be written, or `begin` when there is none. The word is looked
// for in every form the token reader accepts: with control bytes (other
// than line feeds) between its bytes, which the reader drops, and spelled
// as a run of hexadecimal escapes. Anything that merely looks like one
// counts too (inside a skipped group, say): the answer may come late,
// never early.
const char* EndOfLastFontTableWord(const char* begin, const char* end);

}  // namespace idxfilter
