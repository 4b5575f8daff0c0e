// Allocation tuning of the command-line tool's own process (see the .cpp).
#pragma once

namespace idxfilter::cli {

// Call first thing in main(), before any large buffer exists.
void TuneAllocatorForLargeBuffers();

}  // namespace idxfilter::cli
