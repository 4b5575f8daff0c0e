#include "loading/text_encoding.h"

#include <cstring>

#include "text/utf8_codec.h"

namespace idxfilter {
namespace {

bool StartsWith(std::string_view bytes, const char* mark, std::size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), mark, length) == 0;
}

}  // namespace

std::optional<DetectedEncoding> DetectBom(std::string_view fileBytes) {
    if (StartsWith(fileBytes, "\xFF\xFE", 2)) return DetectedEncoding{TextEncoding::Utf16LE, 2};
    if (StartsWith(fileBytes, "\xFE\xFF", 2)) return DetectedEncoding{TextEncoding::Utf16BE, 2};
    if (StartsWith(fileBytes, "\xEF\xBB\xBF", 3)) return DetectedEncoding{TextEncoding::Utf8, 3};
    return std::nullopt;
}

DetectedEncoding DetectEncoding(std::string_view fileBytes) {
    if (std::optional<DetectedEncoding> marked = DetectBom(fileBytes)) return *marked;
    const void* nul = std::memchr(fileBytes.data(), 0, fileBytes.size());
    const char* end = nul ? static_cast<const char*>(nul) : fileBytes.data() + fileBytes.size();
    bool utf8 = IsWellFormedUtf8(fileBytes.data(), end);
    return {utf8 ? TextEncoding::Utf8 : TextEncoding::Ansi, 0};
}

}  // namespace idxfilter
