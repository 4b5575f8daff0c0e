// URL percent escapes in hyperlink targets.
#pragma once

#include <string>
#include <string_view>

namespace idxfilter {

// "+" gives a blank; "%uXXXX" gives the UTF-8 form of one UTF-16 unit
// (nothing for 0); "%XX" gives one raw byte (zero included). Digits that
// read as no number give "?". An escape cut off by the end of the text
// ends the decoding: it and everything after it are dropped.
std::string PercentDecode(std::string_view text);

}  // namespace idxfilter
