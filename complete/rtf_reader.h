// The complete RTF reader: the text a document shows, as the RTF 1.9.1
// format and the writers that produce it mean it, and its document
// properties. It shares the code-page layer with the exact conversion in
// rtf/ and nothing else.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace idxfilter::complete {

// One document property from \info, its value in UTF-8.
struct Property {
    std::string name;
    std::string value;
};

// The text a document shows, in UTF-8 with LF line ends, and the document
// properties it declares, in a fixed order (title, subject, author,
// manager, company, operator, category, keywords, comment, doccomm,
// created, revised), each present only when not empty. Times read as
// "YYYY-MM-DDTHH:MM".
struct RtfText {
    std::string text;
    std::vector<Property> properties;
};

// Reads an RTF document. `bytes` are the file's bytes as stored (7-bit RTF
// whose 8-bit bytes are in the current font's code page) or, with
// `utf8Input`, text already decoded to UTF-8 from a file that carried a
// byte-order mark: raw non-ASCII bytes are then UTF-8 and only \'hh
// escapes go through code pages. `ansiCodePage` is what \ansi, and a
// document that declares no character set, stand for.
//
// Every input is read, none refused; the text is always well-formed UTF-8
// without zero bytes. Throws only std::bad_alloc.
RtfText ReadRtf(std::string_view bytes, unsigned ansiCodePage, bool utf8Input = false);

}  // namespace idxfilter::complete
