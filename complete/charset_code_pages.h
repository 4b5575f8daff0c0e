// The code page that a font's \fcharsetN stands for.
#pragma once

namespace idxfilter::complete {

// The RTF 1.9.1 character set of the Symbol font.
inline constexpr int kSymbolCharset = 2;

// The Windows code page of character set `charset`, as the RTF 1.9.1
// table gives it; 0 for the sets that mean the document's own code page
// (0 ANSI, 1 default) and for every number the table does not name.
// The Symbol set (2) also gives 0: its bytes are decoded by the Symbol
// encoding, not by a code page.
unsigned CharsetCodePage(int charset);

}  // namespace idxfilter::complete
