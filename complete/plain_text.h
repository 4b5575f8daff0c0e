// Plain text for the complete reader: how a file that is not RTF is
// encoded, and its text as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace idxfilter::complete {

enum class PlainEncoding { Utf8, Utf16LE, Utf16BE, Ansi, Binary };

struct PlainSniff {
    PlainEncoding encoding;
    std::size_t bomLength;  // bytes of byte-order mark before the text
    // Utf8 only: the sniff found every byte well-formed (a sequence cut by
    // the end aside), so that decoding need not test them again.
    bool wellFormed = false;
};

// Decides, in this order:
//  1. a byte-order mark: EF BB BF is UTF-8, FF FE UTF-16LE, FE FF UTF-16BE;
//  2. the signature of a well-known binary format (executables, images,
//     archives, PDF, compound documents, ...; binary_signatures.h): Binary;
//  3. where there are zero bytes, UTF-16 without a mark, told by them:
//     over the first 4 KiB, no unit is a control character other than
//     TAB, LF, VT, FF and CR, nor a surrogate out of place; at least two
//     high bytes are 00 and few low bytes are; and either at least a tenth
//     of the high bytes are 00 and two high-byte values (00 and the
//     script's block) make up most units, or nearly all units lie in the
//     blocks of East Asian text;
//  4. a zero byte before the last byte that is not 00: Binary (8-bit text
//     holds none; zero bytes that only end the file, as a terminator or
//     padding, are left out of the test);
//  5. well-formed UTF-8, a sequence cut by the end of the file allowed
//     (pure ASCII included): Utf8; anything else: Ansi.
PlainSniff SniffPlainText(std::string_view bytes);

// Whether SniffPlainText(bytes) finds UTF-16, told without the tests of
// steps 4 and 5, which read the whole file: from the first 4 KiB. Enough
// to tell RTF stored as UTF-16 from RTF in 8 bits.
bool SniffsAsUtf16(std::string_view bytes);

// The text after the byte-order mark as UTF-8, without a mark, with LF
// line ends (CR LF and a lone CR become LF) and without U+0000:
//  - Utf8: each maximal subpart of an ill-formed sequence (as the WHATWG
//    decoder counts them; encoded surrogates are ill-formed) becomes one
//    U+FFFD;
//  - Utf16LE/Utf16BE: pairs joined, a lone surrogate and an odd last byte
//    each one U+FFFD;
//  - Ansi: MultiByteToWide(ansiCodePage, 0, ...) of platform/code_pages.h
//    (0 meaning the current ANSI code page; 1252 where that code page
//    cannot be converted);
//  - Binary: "".
// Zero bytes of Utf8 and Ansi text are dropped before decoding, so that
// they never end the text.
std::string DecodePlainText(std::string_view bytes, const PlainSniff& sniff, unsigned ansiCodePage);

// The same text from bytes that the text may take over: UTF-8 that the
// sniff found well-formed becomes its own text where it lies, without a
// second buffer.
std::string DecodeOwnedPlainText(std::string bytes, const PlainSniff& sniff, unsigned ansiCodePage);

}  // namespace idxfilter::complete
