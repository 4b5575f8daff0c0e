#include "extraction/filter_document.h"

#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "loading/wide_buffer.h"
#include "loading/document_loader.h"
#include "platform/code_pages.h"
#include "rtf/conversion_driver.h"

namespace {

void CutAtFirstNul(std::string& text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    if (nul) text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

}  // namespace

namespace idxfilter {
namespace {

// Where the text goes: the host's sink, or a sink inside the product that
// takes the count as well (exactly one of them is set, or neither).
struct TextReceiver {
    idx_text_sink sink = nullptr;
    CountedTextSink countedSink = nullptr;
    void* user = nullptr;

    bool Present() const { return sink != nullptr || countedSink != nullptr; }
    void Deliver(const char16_t* units, std::size_t count) const {
        if (countedSink != nullptr)
            countedSink(units, count, user);
        else
            sink(reinterpret_cast<const idx_char16*>(units), user);
    }
};

int32_t Filter(const char* path, const TextReceiver& receiver, FilterFailure* failure) {
    FilterFailure why = FilterFailure::NoText;
    // Set only after the sink has returned: anything thrown before that,
    // by the filter or by the sink, leaves the call's result at -1.
    int32_t result = -1;
    try {
        if (path != nullptr) {
            // The loader, the RTF preparation and the run decoding all ask
            // for the ANSI code page; they get the same answer.
            AnsiCodePageHold ansiCodePage;
            std::string text;
            DocumentLoader(path).Load(text);
            CutAtFirstNul(text);
            std::string plain = ConvertRtfToText(std::move(text));
            if (receiver.Present() && !plain.empty()) {
                // The UTF-16 text ends at the first NUL byte, if any.
                WideBuffer wide(plain, true);
                std::string().swap(plain);
                std::size_t delivered = wide.Size() - 1;
                // A count the result cannot express is not reported as success.
                if (delivered > static_cast<std::size_t>(INT32_MAX)) {
                    why = FilterFailure::TooLarge;
                } else {
                    why = FilterFailure::Other;
                    receiver.Deliver(wide.CStr(), delivered);
                    result = static_cast<int32_t>(delivered);
                    why = FilterFailure::None;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        // Thrown by the sink too: a sink that ran out of memory is just as
        // transient.
        why = FilterFailure::OutOfMemory;
    } catch (...) {
        why = FilterFailure::Other;
    }
    if (failure != nullptr) *failure = why;
    return result;
}

}  // namespace

int32_t FilterDocument(const char* path, idx_text_sink sink, void* user, FilterFailure* failure) {
    return Filter(path, TextReceiver{sink, nullptr, user}, failure);
}

int32_t FilterDocument(const char* path, CountedTextSink sink, void* user, FilterFailure* failure) {
    return Filter(path, TextReceiver{nullptr, sink, user}, failure);
}

}  // namespace idxfilter
