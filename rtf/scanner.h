// The RTF scanner: walks the prepared text token by token and turns it
// into plain text in `state.output`.
#pragma once

#include "rtf/conversion_state.h"

namespace idxfilter {

// Scans from `pos` (the start of the prepared text, which ends with a zero
// byte at `end`) until the group level it starts in ends, and returns the
// position where it stopped. Nested groups are counted in one loop rather
// than recursed into: a level keeps no state of its own, and documents
// nest deeply (every skipped destination leaves a level open), so the
// stack stays flat at any depth.
const char* ScanGroup(const char* pos, const char* end, ConversionState& state);

}  // namespace idxfilter
