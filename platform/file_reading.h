// Reading a whole file, as the platform's file system provides it.
#pragma once

#include <string>

namespace idxfilter {

// Replaces `bytes` by the whole contents of the regular file named by
// `path` (8-bit, passed to the file system unchanged) and returns true.
// Returns false, leaving `bytes` empty, when the file cannot be opened, is
// not a regular file, fails to read, or is larger than this process can
// hold. A file that shrinks while it is read gives the bytes that were
// there; one that grows gives the size measured at opening.
// `spareEighths` eighths of the size are reserved beyond it, so that the
// caller can grow the contents that much without a second buffer.
bool ReadWholeFile(const std::string& path, std::string& bytes, unsigned spareEighths = 0);

}  // namespace idxfilter
