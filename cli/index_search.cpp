#include "cli/index_search.h"

#include <chrono>

#include "cli/bounded_rank.h"
#include "cli/bounded_snippet.h"

namespace idxfilter::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Called by SQLite every few thousand steps; a nonzero answer interrupts
// the statement.
int PastDeadline(void* deadline) { return Clock::now() > *static_cast<Clock::time_point*>(deadline); }

}  // namespace

std::vector<SearchHit> SearchIndex(const IndexDatabase& index, const std::string& query, int limit,
                                   int seconds) {
    sqlite3* db = index.Database().Handle();
    if (!RegisterBoundedSnippet(db) || !RegisterBoundedRank(db))
        throw DatabaseError("this SQLite has no FTS5", SQLITE_ERROR);
    // A format-1 index has no titles.
    Statement version(index.Database(), "PRAGMA user_version");
    bool titles = version.Step() && version.Integer(0) >= 2;
    Statement select(index.Database(),
                     titles ? "SELECT files.path, files.title, idx_rank(texts) AS score, idx_snippet(texts)"
                              " FROM texts JOIN files ON files.id = texts.rowid"
                              " WHERE texts MATCH ?1 ORDER BY score, files.path LIMIT ?2"
                            : "SELECT files.path, NULL, idx_rank(texts) AS score, idx_snippet(texts)"
                              " FROM texts JOIN files ON files.id = texts.rowid"
                              " WHERE texts MATCH ?1 ORDER BY score, files.path LIMIT ?2");
    select.BindText(1, query).Bind(2, limit);
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    sqlite3_progress_handler(db, 10000, PastDeadline, &deadline);
    std::vector<SearchHit> hits;
    try {
        while (select.Step()) {
            SearchHit hit;
            hit.path = select.Bytes(0);
            if (!select.IsNull(1)) hit.title = std::string(select.Bytes(1));
            hit.score = select.Real(2);
            hit.snippet = select.Bytes(3);
            hits.push_back(std::move(hit));
        }
    } catch (...) {
        sqlite3_progress_handler(db, 0, nullptr, nullptr);
        throw;
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    return hits;
}

}  // namespace idxfilter::cli
