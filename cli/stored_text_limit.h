// The most text the index keeps of one document.
#pragma once

#include <cstddef>
#include <string>

namespace idxfilter::cli {

// 256 MiB of UTF-8: far below SQLite's own limit on a value (1e9 bytes), and
// more than any document people search. Tests may lower it through the
// environment variable IDXFILTER_TEST_TEXT_LIMIT (bytes).
constexpr std::size_t kStoredTextLimit = std::size_t(256) << 20;

// kStoredTextLimit, or the test's value.
std::size_t StoredTextLimit();

// Cuts `text` (UTF-8) to at most `limit` bytes on a character boundary;
// true when something was cut.
bool TruncateUtf8(std::string& text, std::size_t limit);

}  // namespace idxfilter::cli
