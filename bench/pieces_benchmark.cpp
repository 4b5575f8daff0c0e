// The filter's pieces, each on the kind of text it spends its time on:
//   build/native/bench/pieces_benchmark [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "loading/wide_buffer.h"
#include "tests/reference/ansi_wide_buffer.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"
#include "rtf/control_words.h"
#include "rtf/conversion_driver.h"
#include "rtf/percent_decoding.h"
#include "rtf/token_reader.h"

namespace idxfilter {
namespace {

constexpr std::size_t kTextSize = 1 << 20;

const char* const kWords[] = {"the",    "report", "index", "filter", "quarter", "sales",
                              "region", "total",  "meeting", "budget", "summary", "value"};

std::string Words(std::mt19937& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kWords[random() % std::size(kWords)];
    }
    return text;
}

// A rich-edit style document: paragraphs of words, now and then a link.
std::string RichEditDocument() {
    std::mt19937 random(1);
    std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}}\n"
        "{\\*\\generator Riched20 10.0}\\viewkind4\\uc1\\pard\\f0\\fs22 ";
    while (rtf.size() < kTextSize) {
        rtf += Words(random, 14);
        if (random() % 5 == 0)
            rtf += " {\\field{\\*\\fldinst{HYPERLINK \"http://example.com/a%20b\"}}{\\fldrslt{\\ul page}}}";
        rtf += "\\par\n";
    }
    return rtf + "}";
}

// A word-processor style document: many groups, escapes in Cyrillic and
// Greek fonts, lists, table rows.
std::string WordProcessorDocument() {
    std::mt19937 random(2);
    std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}{\\f1\\fswiss\\fcharset204 Arial Cyr;}"
        "{\\f2\\fnil\\fcharset161 Greek;}{\\f3\\fnil\\fcharset2 Symbol;}}"
        "{\\info{\\title Report}{\\author Writer}}\n";
    while (rtf.size() < kTextSize) {
        switch (random() % 4) {
            case 0: rtf += "{\\pntext\\f3\\'b7\\tab}\\pard\\f0 " + Words(random, 8) + "\\par\n"; break;
            case 1: rtf += "\\trowd\\cellx2000\\pard\\intbl {\\f0 " + Words(random, 2) + "}\\cell\\row\n"; break;
            case 2: rtf += "\\pard\\f1 \\'c0\\'e1\\'e2\\'e3 \\f0 " + Words(random, 5) + "\\par\n"; break;
            default: rtf += "\\pard\\plain\\f0 " + Words(random, 6) + " {\\i " + Words(random, 2) + "}\\par\n";
        }
    }
    return rtf + "}";
}

// A Japanese document: double-byte escapes in a Shift-JIS font.
std::string JapaneseDocument() {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset128 Mincho;}{\\f1\\fnil\\fcharset0 Arial;}}\n";
    while (rtf.size() < kTextSize)
        rtf += "\\f0 \\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'82\\'cc\\'95\\'b6\\'8f\\'91 \\f1 index\\par\n";
    return rtf + "}";
}

std::string Utf8Text(bool cjk) {
    std::mt19937 random(3);
    std::string text;
    while (text.size() < kTextSize) text += cjk ? "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E " : Words(random, 12) + " caf\xC3\xA9\n";
    return text;
}

void SetBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_ConvertRtfToText(benchmark::State& state, std::string (*make)()) {
    const std::string rtf = make();
    for (auto _ : state) benchmark::DoNotOptimize(ConvertRtfToText(rtf));
    SetBytes(state, rtf.size());
}
BENCHMARK_CAPTURE(BM_ConvertRtfToText, RichEdit, RichEditDocument);
BENCHMARK_CAPTURE(BM_ConvertRtfToText, WordProcessor, WordProcessorDocument);
BENCHMARK_CAPTURE(BM_ConvertRtfToText, Japanese, JapaneseDocument);

void BM_ReadToken(benchmark::State& state, std::string (*make)()) {
    const std::string rtf = make();
    std::string scratch;
    Token token;
    for (auto _ : state) {
        const char* pos = rtf.data();
        const char* end = pos + rtf.size();
        std::size_t tokens = 0;
        while (pos < end) {
            pos = ReadToken(pos, end, token, scratch);
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
    SetBytes(state, rtf.size());
}
BENCHMARK_CAPTURE(BM_ReadToken, RichEdit, RichEditDocument);
BENCHMARK_CAPTURE(BM_ReadToken, WordProcessor, WordProcessorDocument);
BENCHMARK_CAPTURE(BM_ReadToken, Japanese, JapaneseDocument);

void BM_FindControlWordRule(benchmark::State& state) {
    const std::vector<std::string_view> words = {"\\par", "\\f0", "\\fs22", "\\pard", "\\tab", "\\cell",
                                                 "\\lang1033", "\\row", "\\plain", "\\b0"};
    for (auto _ : state)
        for (std::string_view word : words) benchmark::DoNotOptimize(FindControlWordRule(word));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * words.size()));
}
BENCHMARK(BM_FindControlWordRule);

void BM_PercentDecode(benchmark::State& state) {
    std::string target;
    while (target.size() < 4096) target += "http://example.com/a%20b%C3%A9/";
    for (auto _ : state) benchmark::DoNotOptimize(PercentDecode(target));
    SetBytes(state, target.size());
}
BENCHMARK(BM_PercentDecode);

void BM_WideBuffer(benchmark::State& state, bool cjk) {
    const std::string text = Utf8Text(cjk);
    for (auto _ : state) {
        WideBuffer wide(text, true);
        benchmark::DoNotOptimize(wide.CStr());
    }
    SetBytes(state, text.size());
}
BENCHMARK_CAPTURE(BM_WideBuffer, Latin, false);
BENCHMARK_CAPTURE(BM_WideBuffer, Cjk, true);

void BM_Utf8Buffer(benchmark::State& state, bool cjk) {
    const WideBuffer wide(Utf8Text(cjk), true);
    for (auto _ : state) {
        Utf8Buffer utf8(wide.CStr(), false);
        benchmark::DoNotOptimize(utf8.Bytes().data());
    }
    SetBytes(state, 2 * wide.Size());
}
BENCHMARK_CAPTURE(BM_Utf8Buffer, Latin, false);
BENCHMARK_CAPTURE(BM_Utf8Buffer, Cjk, true);

void BM_AnsiWideBuffer(benchmark::State& state) {
    std::string text;
    while (text.size() < kTextSize) text += "the quarter report caf\xE9 na\xEFve\n";
    for (auto _ : state) {
        AnsiWideBuffer wide(text, true);
        benchmark::DoNotOptimize(wide.CStr());
    }
    SetBytes(state, text.size());
}
BENCHMARK(BM_AnsiWideBuffer);

// The portable code-page layer on a megabyte of text in each code page,
// leniently (flags 0) and strictly: Latin text with accents in 1252,
// Japanese in 932, both mostly non-ASCII.
std::string CodePageText(unsigned codePage) {
    std::string text;
    const char* sample = codePage == 932 ? "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\x91 "
                                         : "caf\xe9 na\xefve r\xe9sum\xe9 \xe0 \xfc\xdf ";
    while (text.size() < kTextSize) text += sample;
    return text;
}

void BM_MultiByteToWide(benchmark::State& state, unsigned codePage, unsigned flags) {
    const std::string text = CodePageText(codePage);
    std::vector<char16_t> units(text.size());
    const int length = static_cast<int>(text.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(MultiByteToWide(codePage, flags, text.data(), length, units.data(), length));
    SetBytes(state, text.size());
}
BENCHMARK_CAPTURE(BM_MultiByteToWide, Cp1252Lenient, 1252u, 0u);
BENCHMARK_CAPTURE(BM_MultiByteToWide, Cp1252Strict, 1252u, kStrictConversion);
BENCHMARK_CAPTURE(BM_MultiByteToWide, Cp932Lenient, 932u, 0u);
BENCHMARK_CAPTURE(BM_MultiByteToWide, Cp932Strict, 932u, kStrictConversion);

void BM_WideToMultiByte(benchmark::State& state, unsigned codePage) {
    const std::string text = CodePageText(codePage);
    std::vector<char16_t> units(text.size());
    const int count = MultiByteToWide(codePage, 0, text.data(), static_cast<int>(text.size()), units.data(),
                                      static_cast<int>(units.size()));
    std::string bytes(2 * units.size(), '\0');
    for (auto _ : state)
        benchmark::DoNotOptimize(
            WideToMultiByte(codePage, units.data(), count, bytes.data(), static_cast<int>(bytes.size())));
    SetBytes(state, static_cast<std::size_t>(count) * 2);
}
BENCHMARK_CAPTURE(BM_WideToMultiByte, Cp1252, 1252u);
BENCHMARK_CAPTURE(BM_WideToMultiByte, Cp932, 932u);

}  // namespace
}  // namespace idxfilter

BENCHMARK_MAIN();
