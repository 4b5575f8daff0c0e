// The export: the whole of the filter's contract with its host.
#include "idxfilter.h"

#include <climits>
#include <cstring>
#include <string>

#include "entry/wide_buffer.h"
#include "loading/document_loader.h"
#include "platform/code_pages.h"
#include "rtf/conversion_driver.h"

namespace {

void CutAtFirstNul(std::string& text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    if (nul) text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

}  // namespace

extern "C" int32_t IDXFILTER_CALL idx_filter(const char* path, idx_text_sink sink, void* user) {
    // Set only after the sink has returned: anything thrown before that,
    // by the filter or by the sink, leaves the call's result at -1.
    int32_t result = -1;
    try {
        if (path == nullptr) return -1;
        // The loader, the RTF preparation and the run decoding all ask
        // for the ANSI code page; they get the same answer.
        idxfilter::AnsiCodePageHold ansiCodePage;
        std::string text;
        idxfilter::DocumentLoader(path).Load(text);
        CutAtFirstNul(text);
        std::string plain = idxfilter::ConvertRtfToText(std::move(text));
        if (sink == nullptr || plain.empty()) return -1;
        // The UTF-16 text ends at the first NUL byte, if any.
        idxfilter::WideBuffer wide(plain, true);
        std::string().swap(plain);
        std::size_t delivered = wide.Size() - 1;
        // A count the result cannot express is not reported as success.
        if (delivered > static_cast<std::size_t>(INT32_MAX)) return -1;
        sink(reinterpret_cast<const idx_char16*>(wide.CStr()), user);
        result = static_cast<int32_t>(delivered);
    } catch (...) {
    }
    return result;
}
