// Searching the index: the matching files, best first, with a snippet.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/index_database.h"

namespace idxfilter::cli {

struct SearchHit {
    std::string path;
    std::optional<std::string> title;  // the document's own, where it has one
    double score = 0;                  // bm25: lower is better
    std::string snippet;               // hits in [brackets]
};

// Stops a search that runs longer than this.
constexpr int kSearchSeconds = 10;

// Best matches first (bm25), for an FTS5 query. Throws DatabaseError for a
// query that FTS5 rejects (SQLITE_ERROR) or one that ran past
// `seconds` (SQLITE_INTERRUPT).
std::vector<SearchHit> SearchIndex(const IndexDatabase& index, const std::string& query, int limit,
                                   int seconds = kSearchSeconds);

}  // namespace idxfilter::cli
