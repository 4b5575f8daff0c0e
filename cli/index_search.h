// Searching the index: the matching files, best first, with a snippet.
#pragma once

#include <string>
#include <vector>

#include "cli/index_database.h"

namespace idxfilter::cli {

struct SearchHit {
    std::string path;
    std::string snippet;
};

// Best matches first (bm25). Throws DatabaseError for a query that FTS5
// rejects.
std::vector<SearchHit> SearchIndex(const IndexDatabase& index, const std::string& query, int limit);

}  // namespace idxfilter::cli
