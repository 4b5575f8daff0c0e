// Why a file gave the filter command no text, in the words it prints on
// standard error and in the "reason" of --jsonl. Each is told from the
// tool's own open, fstat or read of the file (its errno), or from the
// filter's kind of failure: never guessed from a later look at the path.
#pragma once

#include <string>
#include <sys/types.h>

#include "cli/reading_options.h"

namespace idxfilter::cli {

// An open(2) or read(2) of the file that failed with `error`: "missing",
// "permission denied", "link loop", "a directory", "not a regular file",
// "out of memory", "too many open files", "name too long" or
// "unreadable (<strerror>)".
std::string ReasonForSystemError(int error);

// A file whose type (st_mode) the filter cannot read: "a directory" or
// "not a regular file" (devices, sockets); empty for regular files and
// FIFOs.
std::string ReasonForFileType(mode_t mode);

// The library returned -1 with `reason` (enum idx_reason) from `reader` on
// a file that held `empty` (no bytes) or not: "empty", "no text",
// "binary", "unreadable" (the complete reader; the exact one, like the
// export, finds no text in what it cannot read), "out of memory", "too
// large" or "filter error".
std::string ReasonForLibraryFailure(int reason, ReaderChoice reader, bool empty);

}  // namespace idxfilter::cli
