#include "complete/code_page_decoder.h"

#include <climits>

#include "complete/utf8_writing.h"
#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

// Conversions are asked for in pieces the platform's int counts hold.
constexpr std::size_t kChunk = std::size_t(1) << 28;

int Convert(unsigned codePage, unsigned flags, const char* bytes, std::size_t count, char16_t* units,
            std::size_t capacity) {
    return idxfilter::MultiByteToWide(codePage, flags, bytes, static_cast<int>(count), units,
                                      static_cast<int>(capacity));
}

std::unique_ptr<ByteTable> BuildTable(unsigned codePage) {
    auto table = std::make_unique<ByteTable>();
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        char16_t unit = 0;
        std::string utf8;
        if (b >= 0x20 && Convert(codePage, 0, &byte, 1, &unit, 1) == 1) AppendUtf16(utf8, &unit, 1);
        table->length[b] = static_cast<std::uint8_t>(utf8.size());
        for (std::size_t k = 0; k < utf8.size(); ++k) table->utf8[b][k] = utf8[k];
    }
    bool keepsAscii = true;
    for (int b = 0x20; b < 0x80; ++b)
        keepsAscii = keepsAscii && table->length[b] == 1 && table->utf8[b][0] == static_cast<char>(b);
    table->keepsAscii = keepsAscii;
    return table;
}

}  // namespace

bool CodePageDecoder::Converts(unsigned codePage) {
    for (const auto& [page, converts] : known)
        if (page == codePage) return converts;
    char16_t unit;
    bool converts = codePage != 0 && Convert(codePage, 0, "a", 1, &unit, 1) == 1;
    known.emplace_back(codePage, converts);
    return converts;
}

bool CodePageDecoder::IsDoubleByte(unsigned codePage) {
    switch (codePage) {
        case 932: case 936: case 949: case 950: case 1361:
        case 10001: case 10002: case 10003: case 10008:
            return true;
        default:
            return false;
    }
}

const ByteTable& CodePageDecoder::Table(unsigned codePage) {
    for (const auto& [page, table] : tables)
        if (page == codePage) return *table;
    tables.emplace_back(codePage, BuildTable(codePage));
    return *tables.back().second;
}

void CodePageDecoder::AppendDoubleByte(unsigned codePage, std::string_view bytes, std::string& out) {
    while (bytes.size() > kChunk) {
        // A byte below 0x40 is never the second byte of a character in
        // these code pages: cutting after it cuts between characters.
        std::size_t cut = kChunk;
        while (cut > kChunk / 2 && static_cast<unsigned char>(bytes[cut - 1]) >= 0x40) --cut;
        AppendDoubleByteChunk(codePage, bytes.substr(0, cut), out);
        bytes.remove_prefix(cut);
    }
    AppendDoubleByteChunk(codePage, bytes, out);
}

void CodePageDecoder::AppendDoubleByteChunk(unsigned codePage, std::string_view bytes, std::string& out) {
    if (bytes.empty()) return;
    units.resize(bytes.size());
    int count = Convert(codePage, idxfilter::kStrictConversion, bytes.data(), bytes.size(), units.data(),
                        units.size());
    if (count > 0) {
        AppendUtf16(out, units.data(), static_cast<std::size_t>(count));
        return;
    }
    AppendCharacterByCharacter(codePage, bytes, out);
}

void CodePageDecoder::AppendCharacterByCharacter(unsigned codePage, std::string_view bytes, std::string& out) {
    char16_t pair[2];
    std::size_t i = 0;
    while (i < bytes.size()) {
        // A lead byte alone is never a valid character, so a byte that
        // converts alone is a character by itself.
        int count = Convert(codePage, idxfilter::kStrictConversion, bytes.data() + i, 1, pair, 2);
        std::size_t taken = 1;
        if (count <= 0 && i + 1 < bytes.size()) {
            count = Convert(codePage, idxfilter::kStrictConversion, bytes.data() + i, 2, pair, 2);
            taken = 2;
        }
        if (count > 0) {
            AppendUtf16(out, pair, static_cast<std::size_t>(count));
            i += taken;
        } else {
            AppendCodePoint(out, kReplacement);
            ++i;
        }
    }
}

}  // namespace idxfilter::complete
