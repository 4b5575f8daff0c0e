// What people type into `search`, made into an FTS5 query: plain words are
// searched as words, whatever punctuation they hold (e-mail, 12.5, don't,
// C++, a URL), while AND, OR, NOT, "phrases", prefix* and parentheses keep
// their meaning.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace idxfilter::cli {

// Bounds on a query, so that no query can hold the index for long.
constexpr std::size_t kMaxQueryBytes = 64 * 1024;
constexpr std::size_t kMaxQueryTerms = 256;

struct TranslatedQuery {
    std::string fts;    // the FTS5 query; empty when `error` is set
    std::string error;  // a one-line reason the query is refused
};

// The typed query as FTS5 syntax. Each word becomes an FTS5 string
// ("e-mail", with quotes doubled), which FTS5 splits into the same tokens
// as the indexed text, so the word matches as a phrase of its parts. An
// operator is one only between two operands; elsewhere it is a word. An
// unclosed quote runs to the end; unbalanced parentheses are balanced.
TranslatedQuery TranslateQuery(std::string_view typed);

// FTS5 syntax passed through, within the same bounds.
TranslatedQuery CheckRawQuery(std::string_view typed);

}  // namespace idxfilter::cli
