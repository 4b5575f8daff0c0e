#include "cli/index_search.h"

namespace idxfilter::cli {

std::vector<SearchHit> SearchIndex(const IndexDatabase& index, const std::string& query, int limit) {
    // Snippets: matched terms in [brackets], about a dozen words around the
    // best match.
    Statement select(index.Database(),
                     "SELECT files.path, snippet(texts, 0, '[', ']', '...', 12)"
                     " FROM texts JOIN files ON files.id = texts.rowid"
                     " WHERE texts MATCH ?1 ORDER BY bm25(texts), files.path LIMIT ?2");
    select.BindText(1, query).Bind(2, limit);
    std::vector<SearchHit> hits;
    while (select.Step()) hits.push_back({std::string(select.Bytes(0)), std::string(select.Bytes(1))});
    return hits;
}

}  // namespace idxfilter::cli
