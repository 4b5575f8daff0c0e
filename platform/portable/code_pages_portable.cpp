// Portable backend: the code pages recorded from the system's services
// (code_page_tables.cpp, generated), converted exactly as those services
// convert them.
//
// Each code page's tables are decoded on its first use and kept for the
// life of the process; conversions after that allocate nothing.
#include "platform/code_pages.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/portable/code_page_tables.h"

namespace idxfilter {
namespace {

constexpr unsigned kDefaultAnsiCodePage = 1252;

std::atomic<unsigned> ansiCodePage{kDefaultAnsiCodePage};

// To-bytes value of a unit the code page cannot convert at all: it fails
// the whole conversion. Other values are one byte (up to FF) or a lead and
// a trail byte (lead in the high half, never 00).
constexpr uint16_t kUnmappable = 0xFFFF;

// The decoded form of one code page.
struct CodePage {
    std::array<char16_t, 256> singles{};     // unit of each byte alone
    std::array<bool, 256> singleValid{};     // strict conversion accepts the byte
    std::array<uint8_t, 256> leadIndex{};    // 1 + row in `pairs`, 0 if not a lead byte
    bool doubleByte = false;
    bool hasUnmappable = false;              // some unit fails the conversion
    bool countsUnmappable = false;           // ...but a size query counts it as a byte
    std::vector<char16_t> pairs;             // row per lead byte, indexed by trail byte
    std::vector<uint8_t> pairValid;          // strict conversion accepts the pair
    bool allSinglesValid = false;            // single-byte: strict never fails
    std::vector<uint16_t> toBytes;           // 65536 entries
};

// Reads the number encoding of generate_tables.py: base-45 digits, least
// significant first, the last one from the first half of the alphabet.
class TableReader {
public:
    explicit TableReader(const char* text) : next_(text) {}

    uint32_t Number() {
        uint32_t value = 0;
        uint32_t scale = 1;
        for (;;) {
            int digit = *next_ ? kDigits[static_cast<unsigned char>(*next_) & 0x7F] : -1;
            if (digit < 0) throw std::runtime_error("corrupt code-page table");
            ++next_;
            if (digit < kRadix) return value + uint32_t(digit) * scale;
            value += uint32_t(digit - kRadix) * scale;
            scale *= kRadix;
        }
    }

    bool AtEnd() const { return *next_ == '\0'; }

    // `count` 16-bit values (the operations of EncodeValues).
    void Values(uint16_t* out, size_t count) {
        uint16_t previous = 0;
        size_t done = 0;
        while (done < count) {
            uint32_t operation = Number();
            uint32_t kind = operation % 3;
            size_t run = operation / 3 + 1;
            if (run > count - done) throw std::runtime_error("corrupt code-page table");
            if (kind == 1) previous = Delta(previous);
            for (size_t i = 0; i < run; ++i) {
                if (kind == 0) previous = uint16_t(previous + 1);
                else if (kind == 2) previous = Delta(previous);
                out[done++] = previous;
            }
        }
    }

    // `count` bits given as run lengths of alternating values, 0s first.
    template <typename BitArray>
    void Bits(BitArray& out, size_t offset, size_t count) {
        bool value = false;
        size_t done = 0;
        while (done < count) {
            size_t run = Number();
            if (run > count - done) throw std::runtime_error("corrupt code-page table");
            for (size_t i = 0; i < run; ++i) out[offset + done++] = value;
            value = !value;
        }
    }

private:
    static constexpr int kRadix = 45;

    uint16_t Delta(uint16_t previous) {
        uint32_t zigzag = Number();
        int32_t delta = (zigzag & 1) ? -int32_t((zigzag + 1) / 2) : int32_t(zigzag / 2);
        return uint16_t(previous + delta);
    }

    // Position of each character in the alphabet: printable ASCII less
    // '"', '\\' and '?'; -1 for other characters.
    static constexpr std::array<int8_t, 128> kDigits = [] {
        std::array<int8_t, 128> digits{};
        for (auto& digit : digits) digit = -1;
        int next = 0;
        for (int c = 0x21; c < 0x7F && next < 2 * kRadix; ++c)
            if (c != '"' && c != '\\' && c != '?') digits[c] = int8_t(next++);
        return digits;
    }();

    const char* next_;
};

std::unique_ptr<CodePage> Decode(const RecordedCodePage& recorded) {
    auto page = std::make_unique<CodePage>();
    auto Check = [](bool ok) {
        if (!ok) throw std::runtime_error("corrupt code-page table");
    };
    std::array<uint16_t, 256> singles;
    TableReader singlesReader(recorded.singles);
    singlesReader.Values(singles.data(), 256);
    Check(singlesReader.AtEnd());
    for (int byte = 0; byte < 256; ++byte) page->singles[byte] = singles[byte];

    std::array<bool, 256> isLead{};
    TableReader leadReader(recorded.leadBytes);
    leadReader.Bits(isLead, 0, 256);
    Check(leadReader.AtEnd());
    int leadCount = 0;
    for (int byte = 0; byte < 256; ++byte)
        if (isLead[byte]) page->leadIndex[byte] = uint8_t(++leadCount);
    Check(leadCount == recorded.leadByteCount);
    page->doubleByte = leadCount > 0;
    page->countsUnmappable = recorded.countsUnmappable;

    size_t pairCount = size_t(leadCount) * 256;
    std::vector<uint16_t> pairs(pairCount);
    TableReader pairReader(recorded.pairs);
    pairReader.Values(pairs.data(), pairCount);
    Check(pairReader.AtEnd());
    page->pairs.assign(pairs.begin(), pairs.end());

    std::vector<bool> valid(256 + pairCount);
    TableReader strictReader(recorded.strict);
    strictReader.Bits(valid, 0, valid.size());
    Check(strictReader.AtEnd());
    page->allSinglesValid = true;
    for (int byte = 0; byte < 256; ++byte) {
        page->singleValid[byte] = valid[byte];
        if (!valid[byte]) page->allSinglesValid = false;
    }
    page->pairValid.assign(valid.begin() + 256, valid.end());

    // The to-bytes table: every unit that a valid byte or pair yields maps
    // back to the first such byte, then pair; the rest to the fill value;
    // then the recorded exceptions (best fits, preferred duplicates).
    TableReader toBytes(recorded.toBytes);
    uint16_t fill = uint16_t(toBytes.Number());
    std::vector<uint16_t> table(65536, fill);
    std::vector<bool> mapped(65536);
    for (int byte = 0; byte < 256; ++byte) {
        char16_t unit = page->singles[byte];
        if (!isLead[byte] && page->singleValid[byte] && !mapped[unit]) {
            table[unit] = uint16_t(byte);
            mapped[unit] = true;
        }
    }
    for (int lead = 0, row = 0; lead < 256; ++lead) {
        if (!isLead[lead]) continue;
        for (int trail = 0; trail < 256; ++trail) {
            size_t slot = size_t(row) * 256 + trail;
            char16_t unit = page->pairs[slot];
            if (page->pairValid[slot] && !mapped[unit]) {
                table[unit] = uint16_t(lead << 8 | trail);
                mapped[unit] = true;
            }
        }
        ++row;
    }
    size_t exceptionCount = toBytes.Number();
    std::vector<uint32_t> exceptionUnits(exceptionCount);
    for (size_t i = 0, unit = 0; i < exceptionCount; ++i, ++unit) {
        unit += toBytes.Number();
        Check(unit <= 0xFFFF);
        exceptionUnits[i] = uint32_t(unit);
    }
    std::vector<uint16_t> exceptionValues(exceptionCount);
    toBytes.Values(exceptionValues.data(), exceptionCount);
    Check(toBytes.AtEnd());
    for (size_t i = 0; i < exceptionCount; ++i) table[exceptionUnits[i]] = exceptionValues[i];
    for (uint16_t value : table)
        if (value == kUnmappable) page->hasUnmappable = true;
    page->toBytes = std::move(table);

    return page;
}

struct Slot {
    std::once_flag once;
    std::unique_ptr<CodePage> page;
};

// The decoded code page, or nullptr for a code page that was not recorded.
const CodePage* FindCodePage(unsigned codePage) {
    static const std::unique_ptr<Slot[]> slots(new Slot[kRecordedCodePageCount]);
    if (codePage == kAnsiCodePageAlias) codePage = AnsiCodePage();
    for (int i = 0; i < kRecordedCodePageCount; ++i) {
        if (kRecordedCodePages[i].codePage != codePage) continue;
        Slot& slot = slots[i];
        std::call_once(slot.once, [&] {
            // Corrupt tables (the tests decode every code page) leave the
            // code page unavailable rather than throwing at every call.
            try {
                slot.page = Decode(kRecordedCodePages[i]);
            } catch (const std::runtime_error&) {
                slot.page.reset();
            }
        });
        return slot.page.get();
    }
    return nullptr;
}

// Strict conversion: every byte valid, every lead byte followed by a byte
// that makes a valid pair with it (00 included), no lead byte at the end.
bool IsValidSequence(const CodePage& page, const uint8_t* next, const uint8_t* end) {
    if (!page.doubleByte) {
        if (page.allSinglesValid) return true;
        for (; next != end; ++next)
            if (!page.singleValid[*next]) return false;
        return true;
    }
    while (next != end) {
        if (unsigned row = page.leadIndex[*next]) {
            if (end - next < 2 || !page.pairValid[(row - 1) * 256 + next[1]]) return false;
            next += 2;
        } else {
            if (!page.singleValid[*next]) return false;
            ++next;
        }
    }
    return true;
}

// Lenient double-byte conversion: a lead byte takes the next byte unless
// that is 00 or there is none, in which case it stands alone.
int DoubleBytesToWide(const CodePage& page, const uint8_t* next, const uint8_t* end,
                      char16_t* units, int unitCapacity) {
    if (unitCapacity == 0) {
        int count = 0;
        for (; next != end; ++count) {
            bool pair = page.leadIndex[*next] != 0 && end - next > 1 && next[1] != 0;
            next += 1 + int(pair);
        }
        return count;
    }
    int count = 0;
    for (; next != end; ++count) {
        if (count == unitCapacity) return 0;
        unsigned row = page.leadIndex[*next];
        if (row && end - next > 1 && next[1] != 0) {
            units[count] = page.pairs[(row - 1) * 256 + next[1]];
            next += 2;
        } else {
            units[count] = page.singles[*next];
            ++next;
        }
    }
    return count;
}

}  // namespace

unsigned AnsiCodePage() { return ansiCodePage.load(std::memory_order_relaxed); }

bool IsAnsiCodePageAvailable(unsigned codePage) {
    switch (codePage) {
        case 874: case 932: case 936: case 949: case 950:
        case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257:
            return true;
        default:
            return false;
    }
}

bool SetAnsiCodePage(unsigned codePage) {
    if (!IsAnsiCodePageAvailable(codePage)) return false;
    ansiCodePage.store(codePage, std::memory_order_relaxed);
    return true;
}

int MultiByteToWide(unsigned codePage, unsigned flags, const char* bytes, int byteCount,
                    char16_t* units, int unitCapacity) {
    if ((flags & ~kStrictConversion) != 0) return 0;
    if (bytes == nullptr || byteCount <= 0 || unitCapacity < 0) return 0;
    if (unitCapacity > 0 && units == nullptr) return 0;
    const CodePage* page = FindCodePage(codePage);
    if (page == nullptr) return 0;
    auto next = reinterpret_cast<const uint8_t*>(bytes);
    auto end = next + byteCount;
    if ((flags & kStrictConversion) && !IsValidSequence(*page, next, end)) return 0;
    if (page->doubleByte) return DoubleBytesToWide(*page, next, end, units, unitCapacity);
    if (unitCapacity == 0) return byteCount;
    if (unitCapacity < byteCount) return 0;
    const char16_t* singles = page->singles.data();
    for (int i = 0; i < byteCount; ++i) units[i] = singles[next[i]];
    return byteCount;
}

int WideToMultiByte(unsigned codePage, const char16_t* units, int unitCount, char* bytes,
                    int byteCapacity) {
    if (units == nullptr || unitCount <= 0 || byteCapacity < 0) return 0;
    if (byteCapacity > 0 && bytes == nullptr) return 0;
    const CodePage* page = FindCodePage(codePage);
    if (page == nullptr) return 0;
    const uint16_t* table = page->toBytes.data();
    if (!page->doubleByte && !page->hasUnmappable) {
        if (byteCapacity == 0) return unitCount;
        if (byteCapacity < unitCount) return 0;
        for (int i = 0; i < unitCount; ++i) bytes[i] = char(table[units[i]]);
        return unitCount;
    }
    int count = 0;
    for (int i = 0; i < unitCount; ++i) {
        uint16_t value = table[units[i]];
        if (value == kUnmappable) {
            // Code page 42 fails the conversion but not the size query.
            if (byteCapacity != 0 || !page->countsUnmappable) return 0;
            ++count;
            continue;
        }
        int length = value > 0xFF ? 2 : 1;
        if (byteCapacity != 0) {
            if (byteCapacity - count < length) return 0;
            if (length == 2) bytes[count] = char(value >> 8);
            bytes[count + length - 1] = char(value);
        }
        count += length;
    }
    return count;
}

}  // namespace idxfilter
