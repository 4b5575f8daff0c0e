// Allocation tuning of the command-line tool's own process (see the .cpp).
#pragma once

#include <cstddef>

namespace idxfilter::cli {

// Call first thing in main(), before any large buffer exists.
void TuneAllocatorForLargeBuffers();

// True when this build places blocks of 1 MiB or more on mappings of their
// own, aligned to 2 MiB (not in sanitizer builds, nor off glibc Linux).
bool MapsLargeBlocks();

// The length of the mapping that holds `block` when it is such a block
// (its size rounded up to small pages, or to a whole last huge page); 0
// for any other block.
std::size_t MappingLength(const void* block);

}  // namespace idxfilter::cli
