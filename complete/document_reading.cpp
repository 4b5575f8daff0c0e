#include "complete/document_reading.h"

#include <utility>

#include "complete/code_page_guess.h"
#include "complete/plain_text.h"
#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

using namespace std::string_view_literals;

bool StartsAsRtf(std::string_view text) { return text.substr(0, 5) == "{\\rtf"; }

unsigned CodePageForRtf(unsigned ansiCodePage) {
    return ansiCodePage == 0 || ansiCodePage == kGuessCodePage ? AnsiCodePage() : ansiCodePage;
}

DocumentText RtfDocument(std::string_view rtf, unsigned ansiCodePage, bool unicode) {
    RtfText read = ReadRtf(rtf, CodePageForRtf(ansiCodePage), unicode);
    DocumentText document;
    document.kind = DocumentKind::Rtf;
    document.text = std::move(read.text);
    document.properties = std::move(read.properties);
    return document;
}

// `owned`, when not null, holds `bytes`, and the text may take its buffer.
DocumentText Read(std::string_view bytes, std::string* owned, unsigned ansiCodePage) {
    // 8-bit RTF goes to the reader as stored: its 8-bit bytes belong to
    // the fonts' code pages, which only the reader knows. Whether it is
    // UTF-8 or 8-bit text does not matter to it, so the whole-file tests
    // that tell them apart are left out.
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF"sv;
    bool utf8Mark = bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark;
    std::string_view afterMark = bytes.substr(utf8Mark ? kUtf8Mark.size() : 0);
    if (StartsAsRtf(afterMark) && !SniffsAsUtf16(bytes)) return RtfDocument(afterMark, ansiCodePage, utf8Mark);
    PlainSniff sniff = SniffPlainText(bytes);
    if (sniff.encoding == PlainEncoding::Binary) {
        DocumentText document;
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
    std::string text =
        owned ? DecodeOwnedPlainText(std::move(*owned), sniff, codePage) : DecodePlainText(bytes, sniff, codePage);
    // RTF stored as UTF-16 is read from its UTF-8 form.
    if (StartsAsRtf(text)) return RtfDocument(text, ansiCodePage, true);
    DocumentText document;
    document.text = std::move(text);
    return document;
}

}  // namespace

DocumentText ReadDocument(std::string_view bytes, unsigned ansiCodePage) {
    return Read(bytes, nullptr, ansiCodePage);
}

DocumentText ReadOwnedDocument(std::string bytes, unsigned ansiCodePage) {
    std::string_view view = bytes;
    return Read(view, &bytes, ansiCodePage);
}

}  // namespace idxfilter::complete
