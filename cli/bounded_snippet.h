// A snippet that costs what the window around the first hit costs, not a
// pass over every hit: FTS5's own snippet() weighs every window of every
// hit, which takes minutes on a large document that holds the word on
// every line.
#pragma once

#include <sqlite3.h>

namespace idxfilter::cli {

// The tokenizer is run over at most this many bytes of a document to find
// its first hit; a hit beyond gives the document's first words instead.
constexpr int kSnippetScanBytes = 32 << 20;
// Words in a snippet.
constexpr int kSnippetTokens = 12;

// Registers idx_snippet(texts) on the connection: about kSnippetTokens
// words from just before the first hit, hits in [brackets], "..." where
// the text is cut. Returns false when the connection has no FTS5.
bool RegisterBoundedSnippet(sqlite3* db);

}  // namespace idxfilter::cli
