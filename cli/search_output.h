// How search results are written: one escaped line per hit for people,
// NUL-separated exact paths for xargs -0, one JSON object per hit.
#pragma once

#include <string>
#include <string_view>

#include "cli/index_search.h"

namespace idxfilter::cli {

// The path with control characters (C0, DEL, and C1 in UTF-8), and the
// backslash, written as escapes (\t, \n, \r, \\, \xHH), so that one line is
// one hit and nothing reaches a terminal raw. Other bytes stay as they are.
std::string EscapePath(std::string_view path);

// "path<TAB>snippet\n", the path escaped, the snippet on one line.
std::string PlainLine(const SearchHit& hit);
// {"path":...,["path_base64":...,]"title":...,"score":...,"snippet":...}\n
std::string JsonHitLine(const SearchHit& hit);

}  // namespace idxfilter::cli
