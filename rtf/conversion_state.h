// The one record of an RTF conversion, shared by the scanner, the run
// decoding, the font table and the hyperlink handling.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/uninitialized_allocator.h"
#include "rtf/font_entry.h"
#include "rtf/font_number_index.h"

namespace idxfilter {

// Pending document text in the code page of its font: the bytes as the
// document gave them after escape decoding (never a zero byte), tagged
// with the font current when they arrived (-1: none selected yet).
struct TextRun {
    std::int32_t font;
    std::string_view bytes;
};

// The pending runs, kept as one byte string with the start of each run, so
// that collecting text allocates nothing per run. Neighbouring runs always
// carry different fonts.
class TextRunList {
public:
    void Append(std::int32_t font, std::string_view text) {
        if (starts.empty() || starts.back().font != font) starts.push_back({font, bytes.size()});
        bytes.append(text);
    }
    bool Empty() const { return starts.empty(); }
    // The font of the last run; only when there is one.
    std::int32_t LastFont() const { return starts.back().font; }
    std::size_t Count() const { return starts.size(); }
    TextRun operator[](std::size_t i) const {
        std::size_t end = i + 1 < starts.size() ? starts[i + 1].offset : bytes.size();
        return {starts[i].font, std::string_view(bytes).substr(starts[i].offset, end - starts[i].offset)};
    }
    void Clear() {
        starts.clear();
        bytes.clear();
    }

private:
    struct RunStart {
        std::int32_t font;
        std::size_t offset;
    };
    std::vector<RunStart> starts;
    std::string bytes;
};

using CharsetCodePageMap = std::map<std::int32_t, std::int32_t>;

// RTF character-set numbers ("\fcharsetN") and the Windows code pages that
// decode them. Code page 0 is the system's ANSI code page, 42 the symbol
// code page.
CharsetCodePageMap CharsetCodePageTable();

// Lookups that DecodeRun repeats for every run, remembered for one
// conversion: the first font-table entry of each font number (a first
// entry never changes: the font table only appends entries, or replaces a
// last entry that is not the first of its number), and how each font's
// runs are decoded.
struct DecodingCache {
    // How the runs of one font are decoded, as worked out from the font
    // table when last asked. It holds while the table has as many entries
    // and the entry found still has the character set seen then (only the
    // table's last entry ever changes its character set).
    struct FontDecoding {
        std::int32_t font = -1;
        std::size_t fontsSize = SIZE_MAX;  // never a real size: not yet worked out
        const FontEntry* entry = nullptr;
        std::int32_t charset = 0;
        unsigned codePage = 0;
        unsigned flags = 0;
        bool ansi = true;
    };
    // Documents switch between a few fonts: one place per font number
    // modulo the size.
    std::array<FontDecoding, 16> recentFonts;
    FontNumberIndex firstFonts;
};

struct ConversionState {
    CharsetCodePageMap charsetCodePages = CharsetCodePageTable();
    FontList fonts;
    std::int32_t currentFont = -1;
    std::int32_t linkFont = -1;
    std::string linkTarget;
    TextRunList runs;
    // No font table can follow any more: the font table is final, and so
    // is the decoding of every font. Runs are then decoded as soon as they
    // end, rather than kept until their group ends.
    bool fontTableFinal = false;
    std::string output;  // UTF-8; only ever appended to
    mutable DecodingCache cache;
};

}  // namespace idxfilter
