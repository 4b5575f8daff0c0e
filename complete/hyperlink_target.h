// The target of a HYPERLINK field, from the text of its instruction.
#pragma once

#include <string>
#include <string_view>

namespace idxfilter::complete {

// For an instruction "HYPERLINK [switches] target [switches]" (the name
// in any case, the target quoted or not, a "\l" bookmark standing in when
// no other target is given, "\o" and "\t" arguments passed over), the
// target with field-code escapes and URL percent escapes resolved;
// empty for every other instruction.
std::string HyperlinkTarget(std::string_view instruction);

}  // namespace idxfilter::complete
