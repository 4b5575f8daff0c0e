#include "cli/file_filter.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cli/failure_reason.h"
#include "cli/text_output.h"
#include "entry/filter_document.h"
#include "loading/wide_buffer.h"
#include "idxfilter.h"

namespace idxfilter::cli {
namespace {

// The number of units before the terminating 0 unit. With SSE2, eight
// units are tested at a time from 16-byte aligned addresses: a block never
// crosses a page, so reading the rest of the terminator's block cannot
// fault (the way C libraries' string functions read); AddressSanitizer is
// told not to check those reads.
#if defined(__SSE2__)
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("address")))
#endif
std::size_t TerminatedLength(const char16_t* units) {
    const char16_t* p = units;
    while (reinterpret_cast<std::uintptr_t>(p) % 16 != 0) {
        if (*p == 0) return static_cast<std::size_t>(p - units);
        ++p;
    }
    for (;; p += 8) {
        __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        int zeros = _mm_movemask_epi8(_mm_cmpeq_epi16(block, _mm_setzero_si128()));
        if (zeros != 0) return static_cast<std::size_t>(p - units) + __builtin_ctz(zeros) / 2;
    }
}
#else
std::size_t TerminatedLength(const char16_t* units) {
    std::size_t count = 0;
    while (units[count] != 0) ++count;
    return count;
}
#endif

struct Delivery {
    TextForm form;
    std::FILE* out;     // where the text goes at once; null: into `bytes`
    std::string bytes;
};

int IDXFILTER_SINK_CALL CollectText(const idx_char16* text, void* user) {
    auto* delivery = static_cast<Delivery*>(user);
    const char16_t* units = reinterpret_cast<const char16_t*>(text);
    std::size_t count = TerminatedLength(units);
    const bool utf8 = delivery->form == TextForm::Utf8;
    if (delivery->out != nullptr)
        WriteUtf16(units, count, utf8, delivery->out);
    else
        delivery->bytes = utf8 ? Utf16ToDisplayUtf8(units, count) : Utf16ToLittleEndianBytes(units, count);
    return 0;
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
