#include "complete/code_page_guess.h"

#include <uchardet.h>

#include <algorithm>
#include <cstddef>
#include <memory>

#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

constexpr unsigned kFallbackCodePage = 1252;
constexpr std::size_t kMaxBytesRead = std::size_t(4) << 20;

struct NamedCodePage {
    std::string_view name;  // as uchardet spells it
    unsigned codePage;
};

// uchardet's names of 8-bit and double-byte encodings with a Windows code
// page. Those it also names but the layer has no code page for
// (ISO-2022-*, HZ-GB-2312, EUC-TW, VISCII, ISO-8859-10/-14/-16,
// GEORGIAN-*, ...) fall back.
constexpr NamedCodePage kNamedCodePages[] = {
    {"WINDOWS-1250", 1250},     {"WINDOWS-1251", 1251},      {"WINDOWS-1252", 1252},
    {"WINDOWS-1253", 1253},     {"WINDOWS-1254", 1254},      {"WINDOWS-1255", 1255},
    {"WINDOWS-1256", 1256},     {"WINDOWS-1257", 1257},      {"WINDOWS-1258", 1258},
    {"ISO-8859-1", 1252},       {"ISO-8859-2", 28592},       {"ISO-8859-3", 28593},
    {"ISO-8859-4", 28594},      {"ISO-8859-5", 28595},       {"ISO-8859-6", 28596},
    {"ISO-8859-7", 28597},      {"ISO-8859-8", 28598},       {"ISO-8859-9", 28599},
    {"ISO-8859-11", 874},       {"ISO-8859-13", 28603},      {"ISO-8859-15", 28605},
    {"TIS-620", 874},           {"KOI8-R", 20866},           {"KOI8-U", 21866},
    {"IBM437", 437},            {"IBM850", 850},             {"IBM852", 852},
    {"IBM855", 855},            {"IBM857", 857},             {"IBM862", 862},
    {"IBM865", 865},            {"IBM866", 866},             {"CP737", 737},
    {"MAC-CYRILLIC", 10007},    {"MAC-CENTRALEUROPE", 10029}, {"MACINTOSH", 10000},
    {"SHIFT_JIS", 932},         {"EUC-JP", 20932},           {"GB18030", 936},
    {"BIG5", 950},              {"EUC-KR", 949},             {"UHC", 949},
};

bool SameName(std::string_view a, std::string_view b) {
    auto Upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return Upper(x) == Upper(y); });
}

unsigned CodePageNamed(std::string_view name) {
    for (const NamedCodePage& named : kNamedCodePages)
        if (SameName(named.name, name)) return named.codePage;
    return 0;
}

bool CanConvert(unsigned codePage) { return MultiByteToWide(codePage, 0, "a", 1, nullptr, 0) > 0; }

struct DetectorDelete {
    void operator()(uchardet_t detector) const { uchardet_delete(detector); }
};

}  // namespace

unsigned GuessAnsiCodePage(std::string_view bytes) {
    std::unique_ptr<uchardet, DetectorDelete> detector(uchardet_new());
    if (!detector) return kFallbackCodePage;
    bytes = bytes.substr(0, kMaxBytesRead);
    if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return kFallbackCodePage;
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    unsigned codePage = name ? CodePageNamed(name) : 0;
    return codePage != 0 && CanConvert(codePage) ? codePage : kFallbackCodePage;
}

}  // namespace idxfilter::complete
