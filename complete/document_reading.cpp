#include "complete/document_reading.h"

#include "complete/code_page_guess.h"
#include "complete/plain_text.h"
#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

bool StartsAsRtf(std::string_view text) { return text.substr(0, 5) == "{\\rtf"; }

unsigned CodePageForRtf(unsigned ansiCodePage) {
    return ansiCodePage == 0 || ansiCodePage == kGuessCodePage ? AnsiCodePage() : ansiCodePage;
}

}  // namespace

DocumentText ReadDocument(std::string_view bytes, unsigned ansiCodePage) {
    DocumentText document;
    PlainSniff sniff = SniffPlainText(bytes);
    std::string_view afterMark = bytes.substr(sniff.bomLength);
    // 8-bit RTF goes to the reader as stored: its 8-bit bytes belong to
    // the fonts' code pages, which only the reader knows.
    if (sniff.encoding != PlainEncoding::Utf16LE && sniff.encoding != PlainEncoding::Utf16BE &&
        StartsAsRtf(afterMark)) {
        RtfText rtf = ReadRtf(afterMark, CodePageForRtf(ansiCodePage), sniff.bomLength > 0);
        document.kind = DocumentKind::Rtf;
        document.text = std::move(rtf.text);
        document.properties = std::move(rtf.properties);
        return document;
    }
    if (sniff.encoding == PlainEncoding::Binary) {
        document.kind = DocumentKind::Binary;
        return document;
    }
    unsigned codePage = ansiCodePage;
    // The guess reads the opening of a long text: it costs a tenth of a
    // second a megabyte, and the code page shows within the first pages.
    constexpr std::size_t kGuessBytes = std::size_t{256} << 10;
    if (sniff.encoding == PlainEncoding::Ansi && codePage == kGuessCodePage)
        codePage = GuessAnsiCodePage(bytes.substr(0, kGuessBytes));
    if (codePage == kGuessCodePage) codePage = 0;
    std::string text = DecodePlainText(bytes, sniff, codePage);
    // RTF stored as UTF-16 is read from its UTF-8 form.
    if (StartsAsRtf(text)) {
        RtfText rtf = ReadRtf(text, CodePageForRtf(ansiCodePage), true);
        document.kind = DocumentKind::Rtf;
        document.text = std::move(rtf.text);
        document.properties = std::move(rtf.properties);
        return document;
    }
    document.text = std::move(text);
    return document;
}

}  // namespace idxfilter::complete
