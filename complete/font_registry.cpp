#include "complete/font_registry.h"

#include <algorithm>
#include <cstring>

#include "complete/charset_code_pages.h"

namespace idxfilter::complete {
namespace {

constexpr std::size_t kDenseBase = 4096;
constexpr std::size_t kDensePerFont = 16;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != prefix[i]) return false;
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

FontKind KindOfFont(std::string_view name, int charset) {
    name = Trimmed(name);
    // Fonts of pictures: their letters show as arrows, hands and clocks.
    constexpr std::string_view kPictographs[] = {"wingdings", "webdings", "zapf dingbats", "zapfdingbats",
                                                 "itc zapf dingbats", "monotype sorts", "marlett"};
    for (std::string_view p : kPictographs)
        if (StartsWithFolded(name, p)) return FontKind::kPictograph;
    if (charset == kSymbolCharset) return FontKind::kSymbol;
    if (name.size() == 6 && StartsWithFolded(name, "symbol")) return FontKind::kSymbol;
    return FontKind::kText;
}

void FontRegistry::Define(std::int32_t fontNumber) {
    EndDefinition();
    defining = true;
    nameEnded = false;
    number = fontNumber;
    charset = -1;
    cpg = 0;
    nameLength = 0;
}

void FontRegistry::SetCharset(int value) {
    if (defining) charset = value;
}

void FontRegistry::SetCodePage(int value) {
    if (defining) cpg = value;
}

void FontRegistry::AppendName(std::string_view bytes) {
    if (!defining || nameEnded) return;
    std::size_t semicolon = bytes.find(';');
    if (semicolon != std::string_view::npos) {
        bytes = bytes.substr(0, semicolon);
        nameEnded = true;
    }
    std::size_t n = std::min(bytes.size(), sizeof name - nameLength);
    std::memcpy(name + nameLength, bytes.data(), n);
    nameLength += n;
}

void FontRegistry::EndDefinition() {
    if (!defining) return;
    defining = false;
    FontInfo info;
    info.defined = true;
    info.kind = KindOfFont(std::string_view(name, nameLength), charset);
    unsigned codePage = cpg > 0 && cpg <= 65535 ? static_cast<unsigned>(cpg) : CharsetCodePage(charset);
    info.codePage = static_cast<std::uint16_t>(codePage);
    Store(number, info);
    ++generation;
}

void FontRegistry::Store(std::int32_t fontNumber, FontInfo info) {
    ++definedCount;
    if (fontNumber >= 0 && static_cast<std::size_t>(fontNumber) < kDenseBase + kDensePerFont * definedCount) {
        auto index = static_cast<std::size_t>(fontNumber);
        if (index >= dense.size()) dense.resize(index + 1);
        dense[index] = info;
        sparse.erase(fontNumber);
        return;
    }
    sparse[fontNumber] = info;
}

FontInfo FontRegistry::Find(std::int32_t fontNumber) const {
    if (fontNumber >= 0 && static_cast<std::size_t>(fontNumber) < dense.size() &&
        dense[static_cast<std::size_t>(fontNumber)].defined)
        return dense[static_cast<std::size_t>(fontNumber)];
    if (sparse.empty()) return {};
    auto it = sparse.find(fontNumber);
    return it == sparse.end() ? FontInfo{} : it->second;
}

}  // namespace idxfilter::complete
