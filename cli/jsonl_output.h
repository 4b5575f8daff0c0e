// One JSON object per file and line, for pipes into search engines.
#pragma once

#include <cstdint>
#include <string>

namespace idxfilter::cli {

// {"path": ..., "result": ..., "text": ...} and a newline. `text` is the
// delivered text as UTF-8 ("" when result < 0, with "reason" added).
//
// File names are bytes. A path that is valid UTF-8 goes into "path" as it
// is. Otherwise "path" holds it with each ill-formed byte replaced by
// U+FFFD (readable, but not a name the file system knows), and
// "path_base64" holds the exact bytes, base64-encoded (RFC 4648).
std::string JsonLine(const std::string& path, std::int32_t result, const std::string& text,
                     const std::string& reason);

bool IsValidUtf8(const std::string& bytes);
std::string Base64(const std::string& bytes);

}  // namespace idxfilter::cli
