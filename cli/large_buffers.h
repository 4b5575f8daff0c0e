// Allocation tuning of the command-line tool's own process (see the .cpp).
#pragma once

namespace idxfilter::cli {

// Call first thing in main(), before any large buffer exists.
void TuneAllocatorForLargeBuffers();

// True when this build places blocks of 1 MiB or more on mappings of their
// own, aligned to 2 MiB (not in sanitizer builds, nor off glibc Linux).
bool MapsLargeBlocks();

}  // namespace idxfilter::cli
