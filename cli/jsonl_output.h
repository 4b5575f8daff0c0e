// One JSON object per file and line, for pipes into search engines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/document_property.h"

namespace idxfilter::cli {

class OutputStream;

// {"path": ..., "reader": ..., "result": ..., "meta": {...}, "text": ...}
// and a newline. `text` is the delivered text as UTF-8 ("" when result < 0,
// with "reason" added); "meta" holds the document's properties, and is
// left out when it has none.
//
// File names are bytes. A path that is valid UTF-8 goes into "path" as it
// is. Otherwise "path" holds it with each ill-formed byte replaced by
// U+FFFD (readable, but not a name the file system knows), and
// "path_base64" holds the exact bytes, base64-encoded (RFC 4648).
std::string JsonLine(const std::string& path, std::string_view reader, std::int64_t result, const std::string& text,
                     const std::string& reason, const std::vector<DocumentProperty>& meta = {});

// The same line in three parts, so that a text of any size is written
// straight from where it is, without a copy: the part before the text's
// characters, the text (WriteJsonEscaped), and the part after them.
std::string JsonLineHead(const std::string& path, std::string_view reader, std::int64_t result,
                         const std::vector<DocumentProperty>& meta);
std::string JsonLineTail(std::int64_t result, const std::string& reason);

// The characters of a JSON string for valid UTF-8 `text`, escaped (quote,
// backslash and control characters; the rest as it is), a run at a time.
bool WriteJsonEscaped(std::string_view text, OutputStream& out);
void AppendJsonEscaped(std::string_view text, std::string& out);

bool IsValidUtf8(const std::string& bytes);
// `bytes` with each byte that is not part of a well-formed UTF-8
// sequence replaced by U+FFFD.
std::string ReplaceIllFormedUtf8(const std::string& bytes);
std::string Base64(const std::string& bytes);

}  // namespace idxfilter::cli
