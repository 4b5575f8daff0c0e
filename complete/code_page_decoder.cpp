#include "complete/code_page_decoder.h"

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <mutex>

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

using ByteSet = std::array<bool, 256>;

std::unique_ptr<ByteSet> BuildNoCharacterAlone(unsigned codePage) {
    auto set = std::make_unique<ByteSet>();
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        char16_t unit;
        (*set)[static_cast<std::size_t>(b)] = Convert(codePage, idxfilter::kStrictConversion, &byte, 1, &unit, 1) != 1;
    }
    return set;
}

// What a code page's bytes give never changes: the tables are worked out
// once for the process and shared by every reading, which only looks them
// up (under the lock) the first time it meets the code page.
template <typename Value>
const Value& Shared(unsigned codePage, std::unique_ptr<Value> (*build)(unsigned)) {
    static std::mutex lock;
    static std::map<unsigned, std::unique_ptr<Value>> values;
    std::lock_guard<std::mutex> hold(lock);
    std::unique_ptr<Value>& value = values[codePage];
    if (!value) value = build(codePage);
    return *value;
}

}  // namespace

bool CodePageDecoder::Converts(unsigned codePage) {
    if (codePage == kUtf8CodePage) return true;
    if (codePage == lastAsked) return lastConverts;
    auto found = known.find(codePage);
    bool converts;
    if (found != known.end()) {
        converts = found->second;
    } else {
        char16_t unit;
        converts = codePage != 0 && Convert(codePage, 0, "a", 1, &unit, 1) == 1;
        known.emplace(codePage, converts);
    }
    lastAsked = codePage;
    lastConverts = converts;
    return converts;
}

bool CodePageDecoder::IsDoubleByte(unsigned codePage) {
    switch (codePage) {
        case 932: case 936: case 949: case 950: case 1361:
        case 10001: case 10002: case 10003: case 10008:
        case kUtf8CodePage:
            return true;
        default:
            return false;
    }
}

const ByteTable& CodePageDecoder::Table(unsigned codePage) {
    for (const auto& [page, table] : tables)
        if (page == codePage) return *table;
    const ByteTable& table = Shared<ByteTable>(codePage, BuildTable);
    tables.emplace_back(codePage, &table);
    return table;
}

void CodePageDecoder::AppendDoubleByte(unsigned codePage, std::string_view bytes, std::string& out) {
    if (codePage == kUtf8CodePage) return AppendUtf8(out, bytes);
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
    AppendInPieces(codePage, bytes, out);
}

// A run that is not valid as a whole is converted in pieces of a few
// kilobytes, cut between characters, so that only the pieces with a fault
// are read character by character.
void CodePageDecoder::AppendInPieces(unsigned codePage, std::string_view bytes, std::string& out) {
    constexpr std::size_t kPiece = 4096;
    const ByteSet& noCharacterAlone = NoCharacterAlone(codePage);
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t j = i;
        while (j < bytes.size() && j - i < kPiece) j += noCharacterAlone[static_cast<unsigned char>(bytes[j])] ? 2 : 1;
        j = std::min(j, bytes.size());
        std::string_view piece = bytes.substr(i, j - i);
        int count = Convert(codePage, idxfilter::kStrictConversion, piece.data(), piece.size(), units.data(),
                            units.size());
        if (count > 0) {
            AppendUtf16(out, units.data(), static_cast<std::size_t>(count));
        } else {
            AppendCharacterByCharacter(codePage, piece, out);
        }
        i = j;
    }
}

// A character boundary follows every byte that can stand alone (a
// character by itself, or the second byte of one); the bytes after the
// last such byte pair up, so an odd count of them leaves a first byte
// without its second.
std::size_t CodePageDecoder::WholeCharactersLength(unsigned codePage, std::string_view bytes) {
    if (codePage == kUtf8CodePage) {
        // Back over the bytes of a sequence that may be cut short.
        std::size_t end = bytes.size();
        std::size_t back = 0;
        while (back < 3 && back < end && (static_cast<unsigned char>(bytes[end - 1 - back]) & 0xC0) == 0x80) ++back;
        if (back < end && static_cast<unsigned char>(bytes[end - 1 - back]) >= 0xC0 &&
            SequenceLength(static_cast<unsigned char>(bytes[end - 1 - back])) > back + 1)
            return end - 1 - back;
        return end;
    }
    const ByteSet& noCharacterAlone = NoCharacterAlone(codePage);
    std::size_t run = 0;
    while (run < bytes.size() && noCharacterAlone[static_cast<unsigned char>(bytes[bytes.size() - 1 - run])]) ++run;
    return run % 2 == 0 ? bytes.size() : bytes.size() - 1;
}

const CodePageDecoder::ByteSet& CodePageDecoder::NoCharacterAlone(unsigned codePage) {
    for (const auto& [page, set] : leadBytes)
        if (page == codePage) return *set;
    const ByteSet& set = Shared<ByteSet>(codePage, BuildNoCharacterAlone);
    leadBytes.emplace_back(codePage, &set);
    return set;
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
