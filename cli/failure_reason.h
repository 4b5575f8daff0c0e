// Why a file gave no text, as far as the tool can tell from outside the
// filter.
#pragma once

#include <string>

namespace idxfilter::cli {

// "missing", "a directory", "not a regular file", "unreadable", "empty" or
// "no text".
std::string DescribeFailure(const std::string& path);

}  // namespace idxfilter::cli
