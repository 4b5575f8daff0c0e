#include "extraction/document_extraction.h"

#include <climits>
#include <cstring>
#include <new>

#include "complete/document_reading.h"
#include "loading/wide_buffer.h"
#include "loading/document_loader.h"
#include "platform/code_pages.h"
#include "platform/file_reading.h"
#include "rtf/conversion_driver.h"
#include "text/utf16_length.h"
#include "text/utf8_codec.h"

namespace idxfilter {
namespace {

void CutAtFirstNul(std::string& text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    if (nul) text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

// The export's steps after loading, up to the UTF-16 text it would lend
// its sink, which is kept, or written as UTF-8.
Extraction ConvertExactly(std::string text, TextForm form) {
    Extraction result;
    CutAtFirstNul(text);
    std::string plain = ConvertRtfToText(std::move(text));
    if (plain.empty()) return result;
    WideBuffer wide(plain, true);
    std::string().swap(plain);
    std::size_t units = wide.Size() - 1;
    if (units == 0) return result;
    if (units > static_cast<std::size_t>(INT32_MAX)) {
        result.failure = ExtractionFailure::TooLarge;
        return result;
    }
    if (form == TextForm::Utf16)
        result.wide.emplace(std::move(wide));
    else
        result.text = Utf16ToUtf8(wide.CStr(), units);
    result.units = static_cast<std::int64_t>(units);
    result.failure = ExtractionFailure::None;
    return result;
}

Extraction ReadExactly(std::string fileBytes, TextForm form) {
    std::string text;
    DocumentLoader::Decode(std::move(fileBytes), text);
    return ConvertExactly(std::move(text), form);
}

Extraction Failure(ExtractionFailure why) {
    Extraction result;
    result.failure = why;
    return result;
}

// A file for the exact reader is loaded as the export loads it, with the
// room its single-byte ANSI text may grow into.
Extraction ReadFileExactly(const char* path, unsigned ansiCodePage, TextForm form) {
    AnsiCodePageHold hold(ansiCodePage);
    std::string text;
    if (DocumentLoader(path).Load(text) < 0) return Failure(ExtractionFailure::Unreadable);
    return ConvertExactly(std::move(text), form);
}

unsigned CompleteReaderCodePage(unsigned ansiCodePage) {
    return ansiCodePage == kGuessAnsiCodePage ? complete::kGuessCodePage : 0;
}

Extraction FromDocument(complete::DocumentText document, TextForm form) {
    Extraction result;
    if (document.kind == complete::DocumentKind::Binary) {
        result.failure = ExtractionFailure::Binary;
        return result;
    }
    if (document.text.empty()) return result;
    result.units = Utf16LengthOfUtf8(document.text.data(), document.text.size());
    if (form == TextForm::Utf16) {
        result.wide.emplace(document.text, false);
        std::string().swap(document.text);
    } else {
        result.text = std::move(document.text);
    }
    for (complete::Property& property : document.properties)
        result.properties.push_back({std::move(property.name), std::move(property.value)});
    result.failure = ExtractionFailure::None;
    return result;
}

// The file's bytes go to the complete reader, whose text may take their
// buffer.
Extraction ReadFileCompletely(std::string fileBytes, unsigned ansiCodePage, TextForm form) {
    // Every step that asks for the ANSI code page gets the same answer.
    // (0 and the guess are no code page: they keep the process's.)
    AnsiCodePageHold hold(ansiCodePage);
    return FromDocument(complete::ReadOwnedDocument(std::move(fileBytes), CompleteReaderCodePage(ansiCodePage)),
                        form);
}

// The caller's bytes: the complete reader reads them where they are, the
// export's steps take a copy of their own.
Extraction ReadCallerBytes(std::string_view bytes, ReaderChoice reader, unsigned ansiCodePage, TextForm form) {
    AnsiCodePageHold hold(ansiCodePage);
    if (reader == ReaderChoice::Exact) return ReadExactly(std::string(bytes), form);
    return FromDocument(complete::ReadDocument(bytes, CompleteReaderCodePage(ansiCodePage)), form);
}

}  // namespace

Extraction ExtractFile(const char* path, ReaderChoice reader, unsigned ansiCodePage, TextForm form) {
    try {
        if (path == nullptr) return Failure(ExtractionFailure::Unreadable);
        if (reader == ReaderChoice::Exact) return ReadFileExactly(path, ansiCodePage, form);
        std::string fileBytes;
        if (!ReadWholeFile(path, fileBytes)) return Failure(ExtractionFailure::Unreadable);
        return ReadFileCompletely(std::move(fileBytes), ansiCodePage, form);
    } catch (const std::bad_alloc&) {
        return Failure(ExtractionFailure::OutOfMemory);
    } catch (...) {
        return Failure(ExtractionFailure::Failed);
    }
}

Extraction ExtractBytes(std::string_view bytes, ReaderChoice reader, unsigned ansiCodePage, TextForm form) {
    try {
        return ReadCallerBytes(bytes, reader, ansiCodePage, form);
    } catch (const std::bad_alloc&) {
        return Failure(ExtractionFailure::OutOfMemory);
    } catch (...) {
        return Failure(ExtractionFailure::Failed);
    }
}

}  // namespace idxfilter
