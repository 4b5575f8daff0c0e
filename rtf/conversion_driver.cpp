#include "rtf/conversion_driver.h"

#include "text/ascii.h"
#include "loading/wide_buffer.h"
#include "loading/ansi_buffer.h"
#include "rtf/conversion_state.h"
#include "rtf/scanner.h"

namespace idxfilter {

CharsetCodePageMap CharsetCodePageTable() {
    return {{0, 1252},   {1, 0},      {2, 42},     {77, 10000}, {128, 932},
            {129, 949},  {130, 1361}, {134, 936},  {136, 950},  {161, 1253},
            {162, 1254}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251},
            {222, 874},  {238, 1250}, {254, 437},  {255, 850}};
}

namespace {

bool IsRtf(const std::string& text) {
    return text.size() >= 8 && text.compare(0, 5, "{\\rtf") == 0;
}

// The scanner reads single bytes of the ANSI code page: the markup is
// ASCII, and characters the document carries as raw 8-bit bytes arrive as
// the ANSI code page's bytes, decoded later in the code page of their font.
std::string PrepareText(std::string text) {
    // Every ANSI code page keeps ASCII as it is, so a text of ASCII up to
    // its first NUL byte (the usual RTF document) is already prepared; one
    // pass finds the usual case of no NUL byte at all.
    if (IsAsciiWithoutNul(text.data(), text.size())) return text;
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    if (IsAscii(text.data(), text.size())) return text;
    WideBuffer wide(text, true);
    std::string().swap(text);
    AnsiBuffer ansi(wide.CStr(), wide.Size(), true);
    return ansi.TakeStr();
}

// Room for the plain text in one allocation, instead of a chain of ever
// larger copies: the text is rarely longer than its RTF. Only the pages
// written are ever used, but a 32-bit process has little address space to
// spare, so there the first allocation is a quarter of that.
std::size_t ExpectedOutputSize(std::size_t rtfSize) {
    return sizeof(void*) >= 8 ? rtfSize : rtfSize / 4;
}

}  // namespace

std::string ConvertRtfToText(std::string text) {
    if (!IsRtf(text)) return text;
    ConversionState state;
    std::string prepared = PrepareText(std::move(text));
    state.output.reserve(ExpectedOutputSize(prepared.size()));
    ScanGroup(prepared.c_str(), prepared.c_str() + prepared.size(), state);
    return std::move(state.output);
}

}  // namespace idxfilter
