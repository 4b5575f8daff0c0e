// Giving memory that a reader has finished with back to the system before
// the buffer that holds it is freed.
#pragma once

#include <cstddef>

namespace idxfilter {

// Tells the system that the whole pages within [begin, begin + size) will
// not be read again: they stop counting towards the process's memory, and
// read as zero bytes if they ever are. The bytes around them, in pages
// shared with other data, are left alone. Only for memory the caller owns
// and is done with. (POSIX builds; the portable product's readers only.)
void ReleasePagesWithin(const void* begin, std::size_t size) noexcept;

}  // namespace idxfilter
