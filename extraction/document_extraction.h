// One document's text for callers inside the portable product (the second
// library function, the command-line tool): read by the reader of the
// caller's choice, as UTF-8, with the document's properties and the
// reason when there is no text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loading/wide_buffer.h"

namespace idxfilter {

enum class ReaderChoice {
    Complete,  // the document as its writer means it
    Exact      // the export's text, byte for byte
};

enum class ExtractionFailure {
    None,
    NoText,
    Unreadable,
    Binary,
    OutOfMemory,
    TooLarge,
    Failed
};

enum class TextForm {
    Utf8,  // `text`
    Utf16  // `wide`: for the exact reader, the very units the export lends
};

// The code page argument that asks for a guess of a legacy text's code page.
inline constexpr unsigned kGuessAnsiCodePage = 0xFFFFFFFFu;

struct DocumentProperty {
    std::string name;
    std::string value;  // UTF-8
};

struct Extraction {
    std::string text;  // UTF-8, valid, no NUL (TextForm::Utf8)
    // TextForm::Utf16: the text's `units` units, from the first on (an
    // exact text's buffer ends in a 0 unit, not counted).
    std::optional<WideBuffer> wide;
    std::vector<DocumentProperty> properties;
    // UTF-16 units of `text`; -1 when there is none, `failure` saying why.
    std::int64_t units = -1;
    ExtractionFailure failure = ExtractionFailure::NoText;
};

// `ansiCodePage` 0 keeps the process's ANSI code page; one the platform
// cannot use as ANSI code page is treated as 0. Never throws.
Extraction ExtractFile(const char* path, ReaderChoice reader, unsigned ansiCodePage,
                       TextForm form = TextForm::Utf8);
Extraction ExtractBytes(std::string_view bytes, ReaderChoice reader, unsigned ansiCodePage,
                        TextForm form = TextForm::Utf8);

}  // namespace idxfilter
