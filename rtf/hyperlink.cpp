#include "rtf/hyperlink.h"

#include <cstring>

#include "rtf/character_decoding.h"

namespace idxfilter {
namespace {

bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           std::string_view(text).substr(text.size() - suffix.size()) == suffix;
}

// The target as it is shown: in the ANSI code page when a font was
// selected, otherwise as stored. Either way it ends at its first zero
// byte, which would otherwise cut the document's text there.
std::string ConvertTarget(const ConversionState& state) {
    std::string_view target = state.linkTarget;
    if (const void* nul = std::memchr(target.data(), 0, target.size()))
        target = target.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - target.data()));
    if (state.linkFont < 0) return std::string(target);
    std::string converted;
    DecodeRun(state, target, -1, converted);
    return converted;
}

}  // namespace

const char* ReadQuotedText(const char* pos, const char* end, std::string& text) {
    text.clear();
    bool quoteSeen = false;
    for (; pos < end; ++pos) {
        char c = *pos;
        if (c == '{' || c == '}') break;
        if (c == '"') {
            if (quoteSeen) return pos + 1;
            quoteSeen = true;
            continue;
        }
        text.push_back(c);
    }
    return pos;
}

void SetLinkTarget(ConversionState& state, std::string_view target) {
    state.linkFont = state.currentFont;
    state.linkTarget.assign(target);
}

void FlushRuns(ConversionState& state) {
    if (state.runs.Empty()) return;
    DecodeRuns(state);
    if (!state.linkTarget.empty()) {
        std::string target = ConvertTarget(state);
        if (!EndsWith(state.output, target)) {
            state.output.append(" (");
            state.output.append(target);
            state.output.append(") ");
        }
    }
    state.linkFont = -1;
    state.linkTarget.clear();
}

}  // namespace idxfilter
