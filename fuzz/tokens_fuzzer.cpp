// The scanner's building blocks on a prepared text (the input without its
// zero bytes, terminated by one zero at `end`, as the converter makes it):
// - ReadToken over the whole text: every call moves forward (or stands at
//   `end`), never past `end`; a token is a view into the text or the
//   scratch string, holds no zero byte, is empty only at the end or for an
//   escape run, and consumes a blank only when it begins with a backslash
//   or brace;
// - SkipGroup from every token position: within [pos, end], and just after
//   a "}" unless at `end`; ReadHexEscape moves by 0 or 4 within bounds;
// - ReadFontTable and ScanGroup stop within the text;
// - PercentDecode never grows the text and leaves text without escapes as
//   it is (blanks for "+");
// - ScanHexNumber agrees with sscanf's "%x" on up to four bytes.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "rtf/conversion_state.h"
#include "rtf/font_table.h"
#include "rtf/hex_number.h"
#include "rtf/percent_decoding.h"
#include "rtf/scanner.h"
#include "rtf/token_reader.h"

namespace {

using namespace idxfilter;

bool Within(const char* p, const char* begin, const char* end) { return p >= begin && p <= end; }

bool ViewsInto(std::string_view view, const char* begin, const char* end) {
    return view.data() >= begin && view.data() + view.size() <= end;
}

void CheckTokens(const std::string& prepared) {
    const char* begin = prepared.c_str();
    const char* end = begin + prepared.size();
    std::string scratch;
    Token token;
    std::vector<const char*> positions;
    const char* pos = begin;
    while (pos < end) {
        positions.push_back(pos);
        const char* next = ReadToken(pos, end, token, scratch);
        FUZZ_CHECK(next > pos && next <= end);
        std::string_view t = token.text;
        FUZZ_CHECK(t.empty() || ViewsInto(t, begin, end) ||
                   ViewsInto(t, scratch.data(), scratch.data() + scratch.size()) ||
                   t == kBackslashLineFeed);
        FUZZ_CHECK(t.find('\0') == std::string_view::npos);
        FUZZ_CHECK(!t.empty() || next == end || token.escapeRun);
        if (token.blankConsumed) FUZZ_CHECK(t[0] == '\\' || t[0] == '{' || t[0] == '}');
        pos = next;
    }
    for (const char* at : positions) {
        const char* after = SkipGroup(at, end);
        FUZZ_CHECK(after >= at && after <= end);
        FUZZ_CHECK(after == end || after[-1] == '}');
        unsigned char byte;
        const char* escapeEnd = ReadHexEscape(at, end, byte);
        FUZZ_CHECK(escapeEnd == at || (escapeEnd == at + 4 && escapeEnd <= end));
        if (escapeEnd == at) FUZZ_CHECK(byte == 0);
    }

    ConversionState state;
    FontTableEnd tableEnd = ReadFontTable(begin, end, state, scratch);
    FUZZ_CHECK(Within(tableEnd.pos, begin, end));
    for (const FontEntry& font : state.fonts) FUZZ_CHECK(font.number >= 0);

    ConversionState scanState;
    FUZZ_CHECK(Within(ScanGroup(begin, end, scanState), begin, end));
}

void CheckPercentDecoding(std::string_view text) {
    std::string decoded = PercentDecode(text);
    FUZZ_CHECK(decoded.size() <= text.size());
    if (text.find('%') == std::string_view::npos) {
        FUZZ_CHECK(decoded.size() == text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            FUZZ_CHECK(decoded[i] == (text[i] == '+' ? ' ' : text[i]));
    }
}

void CheckHexNumbers(std::string_view text) {
    for (std::size_t count = 1; count <= 4 && count <= text.size(); ++count) {
        std::string bytes(text.substr(0, count));
        std::uint32_t value = 0;
        bool read = ScanHexNumber(bytes.data(), count, value);
        unsigned expected = 0;
        bool scanned = std::sscanf(bytes.c_str(), "%x", &expected) == 1;
        FUZZ_CHECK(read == scanned);
        if (read) FUZZ_CHECK(value == expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string prepared;
    prepared.reserve(size);
    for (char c : input)
        if (c != 0) prepared.push_back(c);
    CheckTokens(prepared);
    CheckPercentDecoding(input);
    CheckHexNumbers(input);
    return 0;
}
