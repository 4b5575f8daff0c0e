#include "cli/file_filter.h"

#include "cli/failure_reason.h"
#include "cli/text_output.h"
#include "extraction/filter_document.h"
#include "loading/wide_buffer.h"
#include "idxfilter.h"

namespace idxfilter::cli {
namespace {

struct Delivery {
    TextForm form;
    std::FILE* out;     // where the text goes at once; null: into `bytes`
    std::string bytes;
};

void CollectText(const char16_t* units, std::size_t count, void* user) {
    auto* delivery = static_cast<Delivery*>(user);
    const bool utf8 = delivery->form == TextForm::Utf8;
    if (delivery->out != nullptr)
        WriteUtf16(units, count, utf8, delivery->out);
    else
        delivery->bytes = utf8 ? Utf16ToDisplayUtf8(units, count) : Utf16ToLittleEndianBytes(units, count);
}

FilteredText FilterExactly(const FilterInput& input, Delivery& delivery) {
    FilteredText filtered;
    FilterFailure failure = FilterFailure::None;
    filtered.result = FilterDocument(input.Path().c_str(), CollectText, &delivery, &failure);
    if (filtered.result < 0)
        filtered.reason = ReasonForFilterFailure(failure, input.Empty());
    else
        filtered.text = std::move(delivery.bytes);
    return filtered;
}

std::string ReasonForExtractionFailure(ExtractionFailure failure, bool empty) {
    switch (failure) {
        case ExtractionFailure::Binary: return "binary";
        case ExtractionFailure::OutOfMemory: return "out of memory";
        case ExtractionFailure::TooLarge: return "too large";
        case ExtractionFailure::Failed: return "filter error";
        case ExtractionFailure::Unreadable: return "unreadable";
        default: return empty ? "empty" : "no text";
    }
}

FilteredText FilterCompletely(const FilterInput& input, const Delivery& delivery, unsigned ansiCodePage) {
    FilteredText filtered;
    Extraction extraction = ExtractFile(input.Path().c_str(), ReaderChoice::Complete, ansiCodePage);
    filtered.result = extraction.units;
    if (filtered.result < 0) {
        filtered.reason = ReasonForExtractionFailure(extraction.failure, input.Empty());
        return filtered;
    }
    filtered.properties = std::move(extraction.properties);
    if (delivery.form == TextForm::Utf16LittleEndian) {
        WideBuffer wide(extraction.text, false);
        std::string().swap(extraction.text);
        // Straight to the stream, a slice at a time, without a copy of
        // the whole text as bytes.
        if (delivery.out != nullptr)
            WriteUtf16(wide.Units().data(), wide.Units().size(), false, delivery.out);
        else
            filtered.text = Utf16ToLittleEndianBytes(wide.Units().data(), wide.Units().size());
        return filtered;
    }
    if (delivery.out != nullptr)
        std::fwrite(extraction.text.data(), 1, extraction.text.size(), delivery.out);
    else
        filtered.text = std::move(extraction.text);
    return filtered;
}

FilteredText Filter(const FilterInput& input, Delivery& delivery, const ReadingOptions& reading) {
    if (!input.Reason().empty()) {
        FilteredText filtered;
        filtered.reason = input.Reason();
        return filtered;
    }
    if (reading.reader == ReaderChoice::Exact) return FilterExactly(input, delivery);
    return FilterCompletely(input, delivery, reading.ansiCodePage);
}

}  // namespace

FilteredText FilterFile(const FilterInput& input, TextForm form, const ReadingOptions& reading) {
    Delivery delivery{form, nullptr, {}};
    return Filter(input, delivery, reading);
}

FilteredText FilterFileTo(const FilterInput& input, TextForm form, const ReadingOptions& reading, std::FILE* out) {
    Delivery delivery{form, out, {}};
    return Filter(input, delivery, reading);
}

}  // namespace idxfilter::cli
