// Reading a whole file, as the platform's file system provides it.
#pragma once

#include <cstddef>
#include <new>
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

// For the backends: makes `bytes` (empty) `size` bytes long, with room for
// `spareEighths` eighths more where memory allows; the spare room is only
// a convenience, without it the caller reallocates. Throws bad_alloc when
// not even `size` bytes can be had.
inline void SizeForReading(std::string& bytes, std::size_t size, unsigned spareEighths) {
    if (size <= bytes.max_size() / 8 && spareEighths <= 8) {
        try {
            bytes.reserve(size + size / 8 * spareEighths);
        } catch (const std::bad_alloc&) {
        }
    }
    bytes.resize(size);
}

}  // namespace idxfilter
