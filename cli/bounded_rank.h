// A bm25 ranking whose cost does not grow with the hits inside one
// document: FTS5's own bm25() lists every hit of a row and, for a phrase,
// matches it a second time over the whole table to weigh it, which on a
// large document that holds the phrase on every line is most of a search.
#pragma once

#include <sqlite3.h>

namespace idxfilter::cli {

// Registers idx_rank(texts) on the connection: bm25 (k1 1.2, b 0.75, every
// column weighed alike; lower is better, as bm25() gives it) with two
// bounds. A phrase's hits in a row are counted up to a cap far into
// bm25's saturation (at least 1,000, and 100 times the row's length
// factor), and a phrase of several words is weighed as if one document
// held it (a single word's documents are counted, as bm25 does). Returns
// false when the connection has no FTS5.
bool RegisterBoundedRank(sqlite3* db);

}  // namespace idxfilter::cli
