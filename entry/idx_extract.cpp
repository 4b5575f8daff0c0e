// The portable library's second function: the document as a path or as
// bytes, the reader of the caller's choice, the text as UTF-8 or as UTF-16.
#include "idxfilter.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "extraction/document_extraction.h"
#include "platform/code_pages.h"

namespace {

using idxfilter::Extraction;
using idxfilter::ExtractionFailure;
using idxfilter::ReaderChoice;
using idxfilter::TextForm;

struct Request {
    ReaderChoice reader = ReaderChoice::Complete;
    unsigned ansiCodePage = 0;
    TextForm form = TextForm::Utf8;
};

// The options as first published ended after ansi_code_page; a caller
// built then passes that size, and the later fields take their defaults.
constexpr std::size_t kFirstOptionsSize = offsetof(idx_extract_options, ansi_code_page) + sizeof(uint32_t);

bool Covers(const idx_extract_options* options, std::size_t fieldOffset) {
    return options->struct_size >= fieldOffset + sizeof(uint32_t);
}

bool ReadTextForm(const idx_extract_options* options, Request& request) {
    if (!Covers(options, offsetof(idx_extract_options, text_form))) return true;
    if (options->text_form == IDX_TEXT_UTF16)
        request.form = TextForm::Utf16;
    else if (options->text_form != IDX_TEXT_UTF8)
        return false;
    return true;
}

// False for options this version does not know: a struct too small to
// hold the first fields, an unknown reader or text form, a code page that
// cannot stand for the ANSI code page.
bool ReadOptions(const idx_extract_options* options, Request& request) {
    if (options == nullptr) return true;
    if (options->struct_size < kFirstOptionsSize) return false;
    if (options->reader == IDX_READER_EXACT)
        request.reader = ReaderChoice::Exact;
    else if (options->reader != IDX_READER_COMPLETE)
        return false;
    unsigned codePage = options->ansi_code_page;
    if (codePage != 0 && codePage != idxfilter::kGuessAnsiCodePage && !idxfilter::IsAnsiCodePageAvailable(codePage))
        return false;
    request.ansiCodePage = codePage;
    return ReadTextForm(options, request);
}

int ReasonCode(ExtractionFailure failure) {
    switch (failure) {
        case ExtractionFailure::None: return IDX_REASON_NONE;
        case ExtractionFailure::NoText: return IDX_REASON_NO_TEXT;
        case ExtractionFailure::Unreadable: return IDX_REASON_UNREADABLE;
        case ExtractionFailure::Binary: return IDX_REASON_BINARY;
        case ExtractionFailure::OutOfMemory: return IDX_REASON_OUT_OF_MEMORY;
        case ExtractionFailure::TooLarge: return IDX_REASON_TOO_LARGE;
        case ExtractionFailure::Failed: break;
    }
    return IDX_REASON_FAILED;
}

int64_t Fail(int code, int* reason) {
    if (reason != nullptr) *reason = code;
    return -1;
}

// Lends the properties, then the text, to the sinks. The result is set
// only after they return: a sink that throws leaves it at -1.
int64_t Deliver(const Extraction& extraction, idx_utf8_sink textSink, idx_property_sink propertySink, void* user,
                int* reason) {
    if (extraction.units < 0) return Fail(ReasonCode(extraction.failure), reason);
    try {
        if (propertySink != nullptr)
            for (const auto& property : extraction.properties)
                propertySink(property.name.c_str(), property.value.data(), property.value.size(), user);
        if (extraction.wide)
            textSink(reinterpret_cast<const char*>(extraction.wide->Units().data()),
                     static_cast<std::size_t>(extraction.units) * sizeof(char16_t), user);
        else
            textSink(extraction.text.data(), extraction.text.size(), user);
    } catch (const std::bad_alloc&) {
        return Fail(IDX_REASON_OUT_OF_MEMORY, reason);
    } catch (...) {
        return Fail(IDX_REASON_FAILED, reason);
    }
    if (reason != nullptr) *reason = IDX_REASON_NONE;
    return extraction.units;
}

void Empty(idx_document& document) {
    document = idx_document{nullptr, 0, nullptr, 0, nullptr};
}

std::size_t BlockSize(const Extraction& extraction, std::size_t textBytes, std::size_t terminator) {
    std::size_t size = extraction.properties.size() * sizeof(idx_property) + textBytes + terminator;
    for (const auto& property : extraction.properties) size += property.name.size() + property.value.size() + 2;
    return size;
}

char* CopyTerminated(char* to, const char* from, std::size_t size, std::size_t terminator) {
    std::memcpy(to, from, size);
    std::memset(to + size, 0, terminator);
    return to + size + terminator;
}

// One allocation: the property array first (aligned as malloc aligns),
// then the text (so UTF-16 units stay aligned), then names and values.
int64_t HandOver(const Extraction& extraction, idx_document& document, int* reason) {
    if (extraction.units < 0) return Fail(ReasonCode(extraction.failure), reason);
    const char* text = extraction.text.data();
    std::size_t textBytes = extraction.text.size(), terminator = 1;
    if (extraction.wide) {
        text = reinterpret_cast<const char*>(extraction.wide->Units().data());
        textBytes = static_cast<std::size_t>(extraction.units) * sizeof(char16_t);
        terminator = sizeof(char16_t);
    }
    void* block = std::malloc(BlockSize(extraction, textBytes, terminator));
    if (block == nullptr) return Fail(IDX_REASON_OUT_OF_MEMORY, reason);
    auto* properties = static_cast<idx_property*>(block);
    char* at = reinterpret_cast<char*>(properties + extraction.properties.size());
    document.text = at;
    document.length = textBytes;
    at = CopyTerminated(at, text, textBytes, terminator);
    for (std::size_t i = 0; i < extraction.properties.size(); ++i) {
        const auto& property = extraction.properties[i];
        properties[i].name = at;
        at = CopyTerminated(at, property.name.data(), property.name.size(), 1);
        properties[i].value = at;
        properties[i].length = property.value.size();
        at = CopyTerminated(at, property.value.data(), property.value.size(), 1);
    }
    document.properties = extraction.properties.empty() ? nullptr : properties;
    document.property_count = extraction.properties.size();
    document.block_ = block;
    if (reason != nullptr) *reason = IDX_REASON_NONE;
    return extraction.units;
}

}  // namespace

extern "C" int64_t idx_extract_path(const char* path, const idx_extract_options* options, idx_utf8_sink text_sink,
                                    idx_property_sink property_sink, void* user, int* reason) {
    Request request;
    if (path == nullptr || text_sink == nullptr || !ReadOptions(options, request))
        return Fail(IDX_REASON_BAD_ARGUMENT, reason);
    return Deliver(idxfilter::ExtractFile(path, request.reader, request.ansiCodePage, request.form), text_sink,
                   property_sink, user, reason);
}

extern "C" int64_t idx_extract_bytes(const void* data, size_t size, const idx_extract_options* options,
                                     idx_utf8_sink text_sink, idx_property_sink property_sink, void* user,
                                     int* reason) {
    Request request;
    if ((data == nullptr && size != 0) || text_sink == nullptr || !ReadOptions(options, request))
        return Fail(IDX_REASON_BAD_ARGUMENT, reason);
    std::string_view bytes(static_cast<const char*>(data), size);
    return Deliver(idxfilter::ExtractBytes(bytes, request.reader, request.ansiCodePage, request.form), text_sink,
                   property_sink, user, reason);
}

extern "C" int64_t idx_extract_path_owned(const char* path, const idx_extract_options* options,
                                          idx_document* document, int* reason) {
    Request request;
    if (document == nullptr) return Fail(IDX_REASON_BAD_ARGUMENT, reason);
    Empty(*document);
    if (path == nullptr || !ReadOptions(options, request)) return Fail(IDX_REASON_BAD_ARGUMENT, reason);
    return HandOver(idxfilter::ExtractFile(path, request.reader, request.ansiCodePage, request.form), *document,
                    reason);
}

extern "C" int64_t idx_extract_bytes_owned(const void* data, size_t size, const idx_extract_options* options,
                                           idx_document* document, int* reason) {
    Request request;
    if (document == nullptr) return Fail(IDX_REASON_BAD_ARGUMENT, reason);
    Empty(*document);
    if ((data == nullptr && size != 0) || !ReadOptions(options, request))
        return Fail(IDX_REASON_BAD_ARGUMENT, reason);
    std::string_view bytes(static_cast<const char*>(data), size);
    return HandOver(idxfilter::ExtractBytes(bytes, request.reader, request.ansiCodePage, request.form), *document,
                    reason);
}

extern "C" void idx_free_document(idx_document* document) {
    if (document == nullptr) return;
    std::free(document->block_);
    Empty(*document);
}
