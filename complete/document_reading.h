// A whole document for the complete reader: RTF in whatever encoding the
// file carries, else plain text, else nothing (a binary file).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "complete/rtf_reader.h"

namespace idxfilter::complete {

enum class DocumentKind { Rtf, PlainText, Binary };

struct DocumentText {
    DocumentKind kind = DocumentKind::PlainText;
    std::string text;  // UTF-8, LF line ends, no zero byte
    std::vector<Property> properties;
};

// The code page argument that asks for a guess (uchardet) of a legacy
// 8-bit text's code page; RTF declares its own.
inline constexpr unsigned kGuessCodePage = 0xFFFFFFFFu;

// `ansiCodePage`: what 8-bit text without a declaration is read in (0: the
// current ANSI code page, kGuessCodePage: a guess for plain text and the
// current ANSI code page for RTF). Throws only std::bad_alloc.
DocumentText ReadDocument(std::string_view bytes, unsigned ansiCodePage);

// The same document from bytes that its text may take over (plain UTF-8
// becomes its own text without a second buffer); the bytes are gone
// afterwards.
DocumentText ReadOwnedDocument(std::string bytes, unsigned ansiCodePage);

}  // namespace idxfilter::complete
