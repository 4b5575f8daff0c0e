// How a document's bytes are encoded, as the loader detects it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace idxfilter {

enum class TextEncoding { Ansi = 1, Utf8 = 2, Utf16LE = 3, Utf16BE = 4 };

struct DetectedEncoding {
    TextEncoding encoding;
    std::size_t bomLength;  // bytes of byte-order mark to skip
};

// The byte-order mark the bytes start with (EF BB BF, FF FE, FE FF), if
// any: its encoding and length.
std::optional<DetectedEncoding> DetectBom(std::string_view fileBytes);

// Byte-order mark first (EF BB BF, FF FE, FE FF; a UTF-32LE mark reads as
// UTF-16LE), then a UTF-8 test of the bytes up to the first NUL byte, then
// the ANSI code page. Marks are only looked for in files of 3 bytes or
// more, except that the two bytes FF FE or FE FF alone are an empty UTF-16
// text.
DetectedEncoding DetectEncoding(std::string_view fileBytes);

}  // namespace idxfilter
