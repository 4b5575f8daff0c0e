// A guess of the Windows code page of legacy 8-bit text.
#pragma once

#include <string_view>

namespace idxfilter::complete {

// The code page that uchardet takes the text to be in, as a Windows code
// page that the code-page layer converts: WINDOWS-125x as themselves,
// ISO-8859-1 as 1252, the other ISO 8859 parts, KOI8-R and -U, the DOS and
// Mac code pages, SHIFT_JIS (932), EUC-JP (20932), GB18030 (936, whose
// two-byte part it is), BIG5 (950), EUC-KR and UHC (949), TIS-620 (874).
// 1252 when uchardet has no answer, says ASCII, UTF-8 or UTF-16/32, or
// names an encoding the layer cannot convert. Reads at most the first
// 4 MiB.
unsigned GuessAnsiCodePage(std::string_view bytes);

}  // namespace idxfilter::complete
