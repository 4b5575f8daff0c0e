// Why a file gave the filter command no text, in the words it prints on
// standard error and in the "reason" of --jsonl. Each is told from the
// tool's own open, fstat or read of the file (its errno), or from the
// filter's kind of failure: never guessed from a later look at the path.
#pragma once

#include <string>
#include <sys/types.h>

#include "extraction/filter_document.h"

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

// The filter returned -1 with `failure` on a file that held `empty` (no
// bytes) or not: "empty", "no text", "out of memory", "too large" or
// "filter error".
std::string ReasonForFilterFailure(FilterFailure failure, bool empty);

}  // namespace idxfilter::cli
