// Portable backend: the code pages recorded from the system's services
// (code_page_tables.cpp, generated), converted exactly as those services
// convert them.
//
// Each code page's tables are decoded on its first use and kept for the
// life of the process; conversions after that allocate nothing.
#include "platform/code_pages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/ascii.h"
#include "text/utf8_codec.h"
#include "platform/portable/code_page_tables.h"

namespace idxfilter {
namespace {

constexpr unsigned kDefaultAnsiCodePage = 1252;

std::atomic<unsigned> ansiCodePage{kDefaultAnsiCodePage};

// The code page an AnsiCodePageHold keeps on this thread; 0 when none.
thread_local unsigned heldAnsiCodePage = 0;

// To-bytes value of a unit the code page cannot convert at all: it fails
// the whole conversion. Other values are one byte (up to FF) or a lead and
// a trail byte (lead in the high half, never 00).
constexpr uint16_t kUnmappable = 0xFFFF;

// The decoded form of one code page. A slot is a byte converted alone
// (slot = the byte) or a lead byte with its trail byte (slot = 256 times
// the lead byte's row, counted from 1, plus the trail byte), so that one
// lookup serves both.
struct CodePage {
    std::vector<char16_t> slotUnits;         // unit of each slot
    std::vector<uint8_t> slotValid;          // strict conversion accepts the slot
    std::array<uint16_t, 256> leadRow{};     // row of each lead byte, 0 for others
    bool doubleByte = false;
    bool allSinglesValid = false;            // single-byte: strict never fails
    bool hasUnmappable = false;              // some unit fails the conversion
    bool countsUnmappable = false;           // ...but a size query counts it as a byte
    // Bytes 01 to 7F are characters by themselves that give their own
    // value, in a lenient conversion and in a strict one.
    bool keepsAscii = false;
    bool keepsAsciiStrict = false;
    // Single-byte pages: the UTF-8 of each byte's unit padded to four bytes,
    // and its length, 0 for a byte that gives the 0 unit (which ends text).
    std::array<std::array<char, 4>, 256> byteUtf8{};
    std::array<uint8_t, 256> byteUtf8Length{};
    bool onlyNulEndsText = false;            // no byte but 00 gives the 0 unit
    std::vector<uint16_t> toBytes;           // 65536 entries
    // The to-bytes table is built on the first conversion to bytes: text
    // is mostly converted the other way, and building the table costs
    // most of a double-byte page's decoding.
    const RecordedCodePage* recorded = nullptr;
    std::once_flag toBytesOnce;
    std::atomic<bool> toBytesBuilt{false};
    bool toBytesUsable = false;              // false when its table is corrupt
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
            // No number in the tables needs more than five digits.
            if (scale > kRadix * kRadix * kRadix)
                throw std::runtime_error("corrupt code-page table");
            value += uint32_t(digit - kRadix) * scale;
            scale *= kRadix;
        }
    }

    bool AtEnd() const { return *next_ == '\0'; }

    // `count` 16-bit values (the operations of EncodeValues).
    template <typename Value>
    void Values(Value* out, size_t count) {
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
                out[done++] = Value(previous);
            }
        }
    }

    // `count` flags given as run lengths of alternating values, 0s first.
    template <typename Flag>
    void Bits(Flag* out, size_t count) {
        bool value = false;
        size_t done = 0;
        while (done < count) {
            size_t run = Number();
            if (run > count - done) throw std::runtime_error("corrupt code-page table");
            std::fill_n(out + done, run, Flag(value));
            done += run;
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

void DescribeAscii(CodePage& page) {
    page.keepsAscii = page.keepsAsciiStrict = true;
    for (unsigned byte = 1; byte < 0x80; ++byte) {
        bool kept = page.slotUnits[byte] == byte && page.leadRow[byte] == 0;
        page.keepsAscii &= kept;
        page.keepsAsciiStrict &= kept && page.slotValid[byte] != 0;
    }
}

void BuildByteUtf8(CodePage& page) {
    for (unsigned byte = 0; byte < 256; ++byte) {
        char16_t unit = page.slotUnits[byte];
        char* utf8 = page.byteUtf8[byte].data();
        // A slot has the one byte of room beyond a three-byte form.
        char* end = unit < 0x80 ? utf8 + (unit != 0) : StoreUtf8OfUnitAbove7F(unit, utf8);
        if (unit < 0x80) utf8[0] = char(unit);
        page.byteUtf8Length[byte] = uint8_t(end - utf8);
    }
    page.onlyNulEndsText = page.byteUtf8Length[0] == 0 &&
                           std::find(page.byteUtf8Length.begin() + 1, page.byteUtf8Length.end(), 0) ==
                               page.byteUtf8Length.end();
}

std::unique_ptr<CodePage> Decode(const RecordedCodePage& recorded) {
    auto Check = [](bool ok) {
        if (!ok) throw std::runtime_error("corrupt code-page table");
    };
    auto page = std::make_unique<CodePage>();

    std::array<bool, 256> isLead{};
    TableReader leadReader(recorded.leadBytes);
    leadReader.Bits(isLead.data(), 256);
    Check(leadReader.AtEnd());
    int leadCount = 0;
    for (int byte = 0; byte < 256; ++byte)
        if (isLead[byte]) page->leadRow[byte] = uint16_t(++leadCount);
    Check(leadCount == recorded.leadByteCount);
    page->doubleByte = leadCount > 0;
    page->countsUnmappable = recorded.countsUnmappable;

    size_t slotCount = 256 + size_t(leadCount) * 256;
    page->slotUnits.resize(slotCount);
    char16_t* units = page->slotUnits.data();
    TableReader singlesReader(recorded.singles);
    singlesReader.Values(units, 256);
    Check(singlesReader.AtEnd());
    TableReader pairReader(recorded.pairs);
    pairReader.Values(units + 256, slotCount - 256);
    Check(pairReader.AtEnd());

    page->slotValid.resize(slotCount);
    TableReader strictReader(recorded.strict);
    strictReader.Bits(page->slotValid.data(), slotCount);
    Check(strictReader.AtEnd());
    page->allSinglesValid = std::all_of(page->slotValid.begin(), page->slotValid.begin() + 256,
                                        [](uint8_t valid) { return valid != 0; });

    DescribeAscii(*page);
    if (!page->doubleByte) BuildByteUtf8(*page);
    page->recorded = &recorded;
    return page;
}

void CheckTable(bool ok) {
    if (!ok) throw std::runtime_error("corrupt code-page table");
}

void BuildToBytes(CodePage& page) {
    const RecordedCodePage& recorded = *page.recorded;
    auto Check = CheckTable;
    // The to-bytes table: every unit that a valid byte or pair yields maps
    // back to the first such byte, then pair; the rest to the fill value;
    // then the recorded exceptions (best fits, preferred duplicates).
    TableReader toBytes(recorded.toBytes);
    uint16_t fill = uint16_t(toBytes.Number());
    std::vector<uint16_t> table(65536, fill);
    std::vector<bool> mapped(65536);
    auto MapBack = [&](size_t slot, uint16_t value) {
        char16_t unit = page.slotUnits[slot];
        if (page.slotValid[slot] && !mapped[unit]) {
            table[unit] = value;
            mapped[unit] = true;
        }
    };
    for (int byte = 0; byte < 256; ++byte)
        if (page.leadRow[byte] == 0) MapBack(size_t(byte), uint16_t(byte));
    for (int lead = 0; lead < 256; ++lead) {
        if (page.leadRow[lead] == 0) continue;
        for (int trail = 0; trail < 256; ++trail)
            MapBack(size_t(page.leadRow[lead]) << 8 | size_t(trail), uint16_t(lead << 8 | trail));
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
    page.hasUnmappable = std::find(table.begin(), table.end(), kUnmappable) != table.end();
    page.toBytes = std::move(table);
}

struct Slot {
    std::once_flag once;
    std::unique_ptr<CodePage> page;
    // The page once decoded: text asks for its code page run after run,
    // and this spares those calls the once-flag's library call.
    std::atomic<CodePage*> decoded{nullptr};
};

// The decoded code page, or nullptr for a code page that was not recorded.
// The position in kRecordedCodePages of each code page by its number, for
// one lookup per run of text whichever code page it is in; -1 when the
// code page was not recorded.
int RecordedIndex(unsigned codePage) {
    static constexpr std::uint8_t kNone = 0xFF;
    static const std::vector<std::uint8_t> indexes = [] {
        static_assert(sizeof(unsigned) >= 2);
        std::vector<std::uint8_t> byNumber(65536, kNone);
        for (int i = 0; i < kRecordedCodePageCount && i < kNone; ++i)
            if (kRecordedCodePages[i].codePage < byNumber.size() && byNumber[kRecordedCodePages[i].codePage] == kNone)
                byNumber[kRecordedCodePages[i].codePage] = std::uint8_t(i);
        return byNumber;
    }();
    if (codePage >= indexes.size() || indexes[codePage] == kNone) return -1;
    return indexes[codePage];
}

CodePage* FindCodePage(unsigned codePage) {
    static const std::unique_ptr<Slot[]> slots(new Slot[kRecordedCodePageCount]);
    if (codePage == kAnsiCodePageAlias) codePage = AnsiCodePage();
    int i = RecordedIndex(codePage);
    if (i < 0) return nullptr;
    Slot& slot = slots[i];
    if (CodePage* page = slot.decoded.load(std::memory_order_acquire)) return page;
    std::call_once(slot.once, [&] {
        // Corrupt tables (the tests decode every code page) leave the code
        // page unavailable rather than throwing at every call.
        try {
            slot.page = Decode(kRecordedCodePages[i]);
        } catch (const std::runtime_error&) {
            slot.page.reset();
        }
    });
    slot.decoded.store(slot.page.get(), std::memory_order_release);
    return slot.page.get();
}

// The decoded code page with its to-bytes table, or nullptr for a code
// page that was not recorded or whose to-bytes table is corrupt.
const CodePage* FindCodePageToBytes(unsigned codePage) {
    CodePage* page = FindCodePage(codePage);
    if (page == nullptr) return nullptr;
    if (!page->toBytesBuilt.load(std::memory_order_acquire)) {
        std::call_once(page->toBytesOnce, [&] {
            try {
                BuildToBytes(*page);
                page->toBytesUsable = true;
            } catch (const std::runtime_error&) {
                page->toBytesUsable = false;
            }
            page->toBytesBuilt.store(true, std::memory_order_release);
        });
    }
    return page->toBytesUsable ? page : nullptr;
}

// Strict conversion: every byte valid, every lead byte followed by a byte
// that makes a valid pair with it (00 included), no lead byte at the end.
bool IsValidSequence(const CodePage& page, const uint8_t* next, const uint8_t* end) {
    const uint8_t* valid = page.slotValid.data();
    if (!page.doubleByte) {
        if (page.allSinglesValid) return true;
        for (; next != end; ++next)
            if (!valid[*next]) return false;
        return true;
    }
    while (end - next >= 2) {
        if (unsigned row = page.leadRow[next[0]]) {
            if (!valid[row << 8 | next[1]]) return false;
            next += 2;
        } else {
            if (!valid[next[0]]) return false;
            ++next;
        }
    }
    // A lead byte alone is never valid.
    return next == end || valid[*next];
}

// An emitter that can take a run of ASCII at once: at a character boundary
// where a byte from 01 to 7F stands, in a code page that keeps ASCII,
// TakeAscii(next, end) takes that byte and the ones after it that convert
// to themselves (up to the next 00 or byte from 80 on) and returns where
// it stopped.
template <typename Emit>
concept TakesAscii = requires(Emit& emit, const uint8_t* p) {
    { emit.TakeAscii(p, p) } -> std::same_as<const uint8_t*>;
};

// Lenient double-byte reading: a lead byte takes the next byte unless
// that is 00 or there is none, in which case it converts alone. `emit`
// takes each unit in turn and returns false when it has no room, which
// ends the reading with false. (Branching on the kind of byte measured
// faster than a branch-free step, whose every step waits for the one
// before.)
template <typename Emit>
bool ReadDoubleBytes(const CodePage& page, const uint8_t* next, const uint8_t* end, Emit&& emit) {
    const char16_t* slotUnits = page.slotUnits.data();
    while (end - next >= 2) {
        unsigned row = page.leadRow[next[0]];
        if constexpr (TakesAscii<Emit>) {
            if (row == 0 && next[0] - 1u < 0x7Fu && page.keepsAscii) {
                next = emit.TakeAscii(next, end);
                continue;
            }
        }
        if (row != 0 && next[1] != 0) {
            if (!emit(slotUnits[row << 8 | next[1]])) return false;
            next += 2;
        } else {
            if (!emit(slotUnits[next[0]])) return false;
            ++next;
        }
    }
    return next == end || emit(slotUnits[*next]);
}

// Strict double-byte reading in one pass: the checks of IsValidSequence
// and the units of the lenient reading, step by step; false on an invalid
// sequence or when `emit` has no room. A valid pair of a lead byte and 00
// still gives two units, the lead byte's alone and 00's, as the lenient
// reading has it.
template <typename Emit>
bool ReadStrictDoubleBytes(const CodePage& page, const uint8_t* next, const uint8_t* end, Emit&& emit) {
    const uint8_t* valid = page.slotValid.data();
    const char16_t* slotUnits = page.slotUnits.data();
    while (end - next >= 2) {
        if constexpr (TakesAscii<Emit>) {
            if (next[0] - 1u < 0x7Fu && page.keepsAsciiStrict) {
                next = emit.TakeAscii(next, end);
                continue;
            }
        }
        if (unsigned row = page.leadRow[next[0]]) {
            unsigned slot = row << 8 | next[1];
            if (!valid[slot]) return false;
            if (next[1] == 0) {
                if (!emit(slotUnits[next[0]]) || !emit(slotUnits[0])) return false;
            } else if (!emit(slotUnits[slot])) {
                return false;
            }
            next += 2;
        } else {
            if (!valid[next[0]] || !emit(slotUnits[next[0]])) return false;
            ++next;
        }
    }
    // A lead byte alone is never valid.
    return next == end || (valid[*next] && emit(slotUnits[*next]));
}

int DoubleBytesToWide(const CodePage& page, const uint8_t* next, const uint8_t* end,
                      char16_t* units, int unitCapacity) {
    int count = 0;
    if (unitCapacity == 0) {
        while (end - next >= 2) {
            if (page.leadRow[next[0]] != 0 && next[1] != 0)
                next += 2;
            else
                ++next;
            ++count;
        }
        return count + int(next != end);
    }
    bool done = ReadDoubleBytes(page, next, end, [&](char16_t unit) {
        if (count == unitCapacity) return false;
        units[count++] = unit;
        return true;
    });
    return done ? count : 0;
}

int StrictDoubleBytesToWide(const CodePage& page, const uint8_t* next, const uint8_t* end,
                            char16_t* units, int unitCapacity) {
    int count = 0;
    bool done = ReadStrictDoubleBytes(page, next, end, [&](char16_t unit) {
        if (count == unitCapacity) return false;
        units[count++] = unit;
        return true;
    });
    return done ? count : 0;
}

// Appends units to a string as UTF-8, each unit encoded by itself, until
// the first 0 unit; later units are taken and dropped. Units gather in a
// block of its own and reach the string a block at a time, so that the
// string never holds room the text does not use.
class Utf8Appender {
public:
    explicit Utf8Appender(std::string& out) : out(out), start(out.size()) {}

    bool operator()(char16_t unit) {
        if (ended) return true;
        if (unit < 0x80) {
            if (unit == 0) {
                ended = true;
                return true;
            }
            *next++ = char(unit);
        } else {
            next = StoreUtf8OfUnitAbove7F(unit, next);
        }
        if (next >= flushFrom) Flush();
        return true;
    }

    const uint8_t* TakeAscii(const uint8_t* next, const uint8_t* end) {
        auto text = reinterpret_cast<const char*>(next);
        std::size_t run = AsciiPrefixLength(text, std::size_t(end - next));
        if (const void* zero = std::memchr(text, 0, run)) run = std::size_t(static_cast<const char*>(zero) - text);
        if (!ended) {
            Flush();
            out.append(text, run);
        }
        return next + run;
    }

    void Finish() { Flush(); }
    void Undo() { out.resize(start); }

private:
    void Flush() {
        out.append(block, std::size_t(next - block));
        next = block;
    }

    // Room for one more unit's three bytes and the spare byte of its store.
    static constexpr std::size_t kBlock = 512;
    std::string& out;
    const std::size_t start;
    bool ended = false;
    char block[kBlock];
    char* next = block;
    char* const flushFrom = block + kBlock - 4;
};

// Where the text of a single-byte page ends: at the first byte that gives
// the 0 unit (00 in every recorded page, and no other).
const uint8_t* SingleByteTextEnd(const CodePage& page, const uint8_t* next, const uint8_t* end) {
    if (page.onlyNulEndsText) {
        const void* zero = std::memchr(next, 0, std::size_t(end - next));
        return zero ? static_cast<const uint8_t*>(zero) : end;
    }
    for (const uint8_t* p = next; p != end; ++p)
        if (page.byteUtf8Length[*p] == 0) return p;
    return end;
}

// Writes the UTF-8 of the `n` bytes at `next` (none of which ends the text)
// at `p`, which has room for it and three bytes more, and returns its end:
// each character is stored as four bytes, of which the next one overwrites
// the excess. Runs of ASCII are copied where the page keeps them.
char* StoreSingleBytesAsUtf8(const CodePage& page, const uint8_t* next, std::size_t n, char* p) {
    const auto* text = reinterpret_cast<const char*>(next);
    const bool copyAscii = page.keepsAscii;
    for (std::size_t i = 0; i < n;) {
        if (copyAscii) {
            std::size_t ascii = CopyAsciiPrefix(text + i, n - i, p);
            p += ascii;
            i += ascii;
        }
        for (; i < n && !(copyAscii && next[i] < 0x80); ++i) {
            std::memcpy(p, page.byteUtf8[next[i]].data(), 4);
            p += page.byteUtf8Length[next[i]];
        }
    }
    return p;
}

// The length of that UTF-8.
std::size_t Utf8LengthOfSingleBytes(const CodePage& page, const uint8_t* next, std::size_t n) {
    const auto* text = reinterpret_cast<const char*>(next);
    const bool copyAscii = page.keepsAscii;
    std::size_t total = 0;
    for (std::size_t i = 0; i < n;) {
        if (copyAscii) {
            std::size_t ascii = AsciiPrefixLength(text + i, n - i);
            total += ascii;
            i += ascii;
        }
        for (; i < n && !(copyAscii && next[i] < 0x80); ++i) total += page.byteUtf8Length[next[i]];
    }
    return total;
}

// Each byte of a single-byte page by its table entry. Runs of text up to a
// slice's length get room for the longest UTF-8 they can take; longer ones
// are counted first, so that a whole file never holds three times its
// length.
void AppendSingleBytesAsUtf8(const CodePage& page, const uint8_t* next, const uint8_t* end, std::string& out) {
    // Runs of a few bytes, common where a document switches fonts often,
    // are not worth more.
    if (end - next < 16) {
        for (; next != end && page.byteUtf8Length[*next] != 0; ++next)
            out.append(page.byteUtf8[*next].data(), page.byteUtf8Length[*next]);
        return;
    }
    end = SingleByteTextEnd(page, next, end);
    const std::size_t n = std::size_t(end - next);
    constexpr std::size_t kCountFrom = std::size_t{1} << 16;
    std::size_t start = out.size();
    out.resize(start + (n < kCountFrom ? 3 * n : Utf8LengthOfSingleBytes(page, next, n)) + 3);
    char* p = StoreSingleBytesAsUtf8(page, next, n, out.data() + start);
    out.resize(std::size_t(p - out.data()));
}

// Rewrites the `size` bytes at `text` (none of which ends the text) as
// their UTF-8, `total` bytes, in place, from the end backwards: a byte's
// UTF-8 starts where that of the bytes before it ends, never before the
// byte itself, so each write lands on bytes already read.
void ExpandSingleBytesInPlace(const CodePage& page, char* text, std::size_t size, std::size_t total) {
    char* out = text + total;
    std::size_t i = size;
    const bool copyAscii = page.keepsAscii;
    while (i > 0) {
        if (copyAscii) {
            std::size_t ascii = AsciiSuffixLength(text, i);
            i -= ascii;
            out -= ascii;
            if (out != text + i) std::memmove(out, text + i, ascii);
        }
        for (; i > 0 && !(copyAscii && static_cast<unsigned char>(text[i - 1]) < 0x80); --i) {
            auto byte = static_cast<unsigned char>(text[i - 1]);
            out -= page.byteUtf8Length[byte];
            std::memcpy(out, page.byteUtf8[byte].data(), page.byteUtf8Length[byte]);
        }
    }
}

// Conversion to a double-byte code page, or one with unconvertible units.
int WideToBytes(const CodePage& page, const char16_t* units, int unitCount, char* bytes,
                int byteCapacity) {
    const uint16_t* table = page.toBytes.data();
    int count = 0;
    if (byteCapacity == 0) {
        for (int i = 0; i < unitCount; ++i) {
            uint16_t value = table[units[i]];
            if (value == kUnmappable) {
                // Code page 42 fails the conversion but not the size query.
                if (!page.countsUnmappable) return 0;
                ++count;
                continue;
            }
            count += 1 + int(value > 0xFF);
        }
        return count;
    }
    // All but the last unit: always store two bytes (where they fit) and
    // advance by the character's length; a single byte's spare second byte
    // is overwritten by the next character.
    int i = 0;
    for (; i + 1 < unitCount && byteCapacity - count >= 2; ++i) {
        uint16_t value = table[units[i]];
        if (value == kUnmappable) return 0;
        bool two = value > 0xFF;
        bytes[count] = char(two ? value >> 8 : value);
        bytes[count + 1] = char(value);
        count += 1 + int(two);
    }
    for (; i < unitCount; ++i) {
        uint16_t value = table[units[i]];
        if (value == kUnmappable) return 0;
        int length = value > 0xFF ? 2 : 1;
        if (byteCapacity - count < length) return 0;
        if (length == 2) bytes[count] = char(value >> 8);
        bytes[count + length - 1] = char(value);
        count += length;
    }
    return count;
}

}  // namespace

unsigned AnsiCodePage() {
    unsigned held = heldAnsiCodePage;
    return held != 0 ? held : ansiCodePage.load(std::memory_order_relaxed);
}

AnsiCodePageHold::AnsiCodePageHold() : previous(heldAnsiCodePage) { heldAnsiCodePage = AnsiCodePage(); }

AnsiCodePageHold::AnsiCodePageHold(unsigned codePage) : previous(heldAnsiCodePage) {
    heldAnsiCodePage = IsAnsiCodePageAvailable(codePage) ? codePage : AnsiCodePage();
}

AnsiCodePageHold::~AnsiCodePageHold() { heldAnsiCodePage = previous; }

bool IsAnsiCodePageAvailable(unsigned codePage) {
    switch (codePage) {
        case 874: case 932: case 936: case 949: case 950:
        case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257:
            return true;
        default:
            return false;
    }
}

bool SingleByteUnits(unsigned codePage, char16_t (&units)[256]) {
    const CodePage* page = FindCodePage(codePage);
    if (page == nullptr || page->doubleByte) return false;
    // The lenient single-byte conversion reads exactly this table.
    std::copy(page->slotUnits.begin(), page->slotUnits.begin() + 256, units);
    return true;
}

bool AppendCodePageAsUtf8(unsigned codePage, unsigned flags, std::string_view bytes, std::string& out) {
    if (bytes.empty()) return true;
    if ((flags & ~kStrictConversion) != 0) return false;
    const CodePage* page = FindCodePage(codePage);
    if (page == nullptr) return false;
    bool strict = (flags & kStrictConversion) != 0;
    // Most runs of a document are ASCII alone, which a page that keeps it
    // converts to itself.
    if ((strict ? page->keepsAsciiStrict : page->keepsAscii) && IsAsciiWithoutNul(bytes.data(), bytes.size())) {
        out.append(bytes);
        return true;
    }
    auto next = reinterpret_cast<const uint8_t*>(bytes.data());
    auto end = next + bytes.size();
    if (!page->doubleByte) {
        if (strict && !IsValidSequence(*page, next, end)) return false;
        AppendSingleBytesAsUtf8(*page, next, end, out);
        return true;
    }
    Utf8Appender append(out);
    bool done = strict ? ReadStrictDoubleBytes(*page, next, end, append) : ReadDoubleBytes(*page, next, end, append);
    if (!done) {
        append.Undo();
        return false;
    }
    append.Finish();
    return true;
}

bool ConvertCodePageToUtf8(unsigned codePage, unsigned flags, std::string& text) {
    const CodePage* page = (flags & ~kStrictConversion) == 0 ? FindCodePage(codePage) : nullptr;
    bool strict = (flags & kStrictConversion) != 0;
    if (page != nullptr && !page->doubleByte && !text.empty()) {
        auto begin = reinterpret_cast<const uint8_t*>(text.data());
        if (strict && !IsValidSequence(*page, begin, begin + text.size())) return false;
        std::size_t size = std::size_t(SingleByteTextEnd(*page, begin, begin + text.size()) - begin);
        std::size_t total = Utf8LengthOfSingleBytes(*page, begin, size);
        if (total <= text.capacity()) {
            text.resize(std::max(size, total));
            ExpandSingleBytesInPlace(*page, text.data(), size, total);
        } else {
            // Too little room: written afresh, from what is known already.
            std::string utf8(total + 3, '\0');
            StoreSingleBytesAsUtf8(*page, begin, size, utf8.data());
            text = std::move(utf8);
        }
        text.resize(total);
        return true;
    }
    std::string utf8;
    utf8.reserve(text.size() + text.size() / 8);
    if (!AppendCodePageAsUtf8(codePage, flags, text, utf8)) return false;
    text = std::move(utf8);
    return true;
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
    bool strict = (flags & kStrictConversion) != 0;
    if (strict && page->doubleByte && unitCapacity > 0)
        return StrictDoubleBytesToWide(*page, next, end, units, unitCapacity);
    if (strict && !IsValidSequence(*page, next, end)) return 0;
    if (page->doubleByte) return DoubleBytesToWide(*page, next, end, units, unitCapacity);
    if (unitCapacity == 0) return byteCount;
    if (unitCapacity < byteCount) return 0;
    const char16_t* singles = page->slotUnits.data();
    for (int i = 0; i < byteCount; ++i) units[i] = singles[next[i]];
    return byteCount;
}

int WideToMultiByte(unsigned codePage, const char16_t* units, int unitCount, char* bytes,
                    int byteCapacity) {
    if (units == nullptr || unitCount <= 0 || byteCapacity < 0) return 0;
    if (byteCapacity > 0 && bytes == nullptr) return 0;
    const CodePage* page = FindCodePageToBytes(codePage);
    if (page == nullptr) return 0;
    const uint16_t* table = page->toBytes.data();
    if (!page->doubleByte && !page->hasUnmappable) {
        if (byteCapacity == 0) return unitCount;
        if (byteCapacity < unitCount) return 0;
        for (int i = 0; i < unitCount; ++i) bytes[i] = char(table[units[i]]);
        return unitCount;
    }
    return WideToBytes(*page, units, unitCount, bytes, byteCapacity);
}

}  // namespace idxfilter
