// Hexadecimal numbers read the way sscanf's "%x" reads a string that holds
// exactly the given bytes: leading white space, an optional sign and an
// optional 0x prefix, then hexadecimal digits of either case up to the
// first other byte. A minus sign negates (modulo 2^32).
#pragma once

#include <cstddef>
#include <cstdint>

namespace idxfilter {

// Returns false when no number can be read from the `count` bytes at
// `bytes` (a zero byte among them ends the string).
bool ScanHexNumber(const char* bytes, std::size_t count, std::uint32_t& value);

}  // namespace idxfilter
