#include "complete/plain_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

#include "complete/binary_signatures.h"
#include "complete/consumed_input.h"
#include "complete/line_ends.h"
#include "complete/plain_ascii.h"
#include "text/ascii.h"
#include "text/utf8_codec.h"
#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

using namespace std::string_view_literals;

constexpr char32_t kReplacement = 0xFFFD;
constexpr unsigned kFallbackCodePage = 1252;

// How much of the file the UTF-16 test reads.
constexpr std::size_t kUtf16SampleBytes = 4096;

// ----- UTF-8 -----

// Well-formed UTF-8, where a sequence cut by the end of the input counts
// when a whole sequence came before it or the cut one holds a
// continuation byte: a file cut short inside a character. A lone high
// byte at the very end with none before is far likelier 8-bit text
// ("caf\xE9").
bool IsUtf8AllowingCutEnd(std::string_view bytes) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    auto end = p + bytes.size();
    bool sawSequence = false;
    while (p < end) {
        p += AsciiPrefixLength(reinterpret_cast<const char*>(p), std::size_t(end - p));
        if (p == end) break;
        Utf8Step step = StepUtf8(p, end);
        if (!step.wellFormed) return step.cut && (sawSequence || end - p >= 2);
        sawSequence |= step.length > 1;
        p += step.length;
    }
    return true;
}

// ----- output -----

// Collects the text as UTF-8: CR LF and a lone CR become LF, U+0000 is
// dropped, a code point that is no scalar value becomes U+FFFD. Writes go
// through a cursor into room made ahead, so that a character costs no call
// into the string. The room is made a step at a time within the capacity
// asked for at the start, so that filling it stays in the cache and the
// capacity that the text does not take is never touched.
class Utf8Text {
public:
    explicit Utf8Text(std::size_t capacity) { text_.reserve(capacity); }

    // Makes room for `bytes` more bytes of output. Beyond the capacity the
    // text grows by half, or, with `consumed` and `remaining` (input bytes
    // read and still to read), by what the rest of the input takes at the
    // rate that the text has grown so far: a text of many U+FFFD, three
    // bytes for one, is moved once, not at every half.
    void Reserve(std::size_t bytes, std::size_t consumed = 0, std::size_t remaining = 0) {
        std::size_t used = Used();
        if (text_.size() - used >= bytes) return;
        std::size_t needed = used + bytes;
        if (needed > text_.capacity()) {
            std::size_t rest =
                consumed == 0 ? remaining : remaining / consumed * used + remaining % consumed * used / consumed;
            rest = std::min(3 * remaining, rest + rest / 8);
            text_.reserve(remaining != 0 ? needed + rest : std::max(needed, text_.capacity() + text_.capacity() / 2));
        }
        text_.resize(std::max(needed, std::min(used + kStep, text_.capacity())));
        next_ = text_.data() + used;
    }

    // Copies the plain ASCII run (plain_ascii.h) that [in, in + n) begins
    // with into room reserved for n bytes, and returns its length: 0 when
    // the first byte is none, or follows a CR (whose LF only PutReserved
    // may leave out).
    std::size_t PutPlainAsciiReserved(const char* in, std::size_t n) {
        if (afterCr_ || !IsPlainAscii(static_cast<unsigned char>(*in))) return 0;
        std::size_t run = CopyPlainAscii(in, n, next_);
        next_ += run;
        return run;
    }

    // The same for units.
    std::size_t PutPlainAsciiUnitsReserved(const char16_t* in, std::size_t n) {
        if (afterCr_ || !IsPlainAscii(*in)) return 0;
        std::size_t run = NarrowPlainAscii(in, n, next_);
        next_ += run;
        return run;
    }

    // A well-formed UTF-8 sequence of 2 to 4 bytes, copied as it is into
    // reserved room.
    void PutSequenceReserved(const unsigned char* sequence, std::size_t length) {
        afterCr_ = false;
        std::memcpy(next_, sequence, length);
        next_ += length;
    }

    // One character; needs 4 bytes of reserved room.
    void PutReserved(char32_t c) {
        if (c < 0x80) {
            PutAsciiReserved(char(c));
            return;
        }
        afterCr_ = false;
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
        if (c < 0x800) {
            next_[0] = char(0xC0 | c >> 6);
            next_[1] = char(0x80 | (c & 0x3F));
            next_ += 2;
        } else if (c < 0x10000) {
            next_[0] = char(0xE0 | c >> 12);
            next_[1] = char(0x80 | (c >> 6 & 0x3F));
            next_[2] = char(0x80 | (c & 0x3F));
            next_ += 3;
        } else {
            next_[0] = char(0xF0 | c >> 18);
            next_[1] = char(0x80 | (c >> 12 & 0x3F));
            next_[2] = char(0x80 | (c >> 6 & 0x3F));
            next_[3] = char(0x80 | (c & 0x3F));
            next_ += 4;
        }
    }

    void Put(char32_t c) {
        Reserve(4);
        PutReserved(c);
    }

    std::string Take() {
        text_.resize(Used());
        return std::move(text_);
    }

private:
    // Room is made this many bytes at a time at least.
    static constexpr std::size_t kStep = std::size_t{1} << 15;

    std::size_t Used() const { return next_ ? std::size_t(next_ - text_.data()) : 0; }

    void PutAsciiReserved(char c) {
        if (c == '\0') return;
        if (c == '\r') {
            *next_++ = '\n';
            afterCr_ = true;
            return;
        }
        if (c == '\n' && afterCr_) {
            afterCr_ = false;
            return;
        }
        afterCr_ = false;
        *next_++ = c;
    }

    std::string text_;
    char* next_ = nullptr;
    bool afterCr_ = false;  // the last character was a CR, already written as LF
};

// ----- decoders -----

// The bytes without their zero bytes; `storage` holds them when there
// were any, and `input` then follows the decoding of the copy.
std::string_view WithoutZeroBytes(std::string_view bytes, std::string& storage, ConsumedInput& input) {
    if (bytes.find('\0') == std::string_view::npos) return bytes;
    storage.reserve(bytes.size());
    std::remove_copy(bytes.begin(), bytes.end(), std::back_inserter(storage), '\0');
    input = input.MovedTo(storage);
    return storage;
}

// Plain ASCII runs are copied as they are, and so is each well-formed
// sequence; each ill-formed subpart becomes U+FFFD, each CR goes through
// the line-end rule. Room is made a block at a time, for the most the
// block can take (three bytes a byte: a U+FFFD for each) and a sequence
// that crosses its end, so that no character asks for room of its own.
void DecodeUtf8(std::string_view bytes, Utf8Text& out, ConsumedInput input) {
    constexpr std::size_t kBlock = std::size_t{1} << 15;
    auto begin = reinterpret_cast<const unsigned char*>(bytes.data());
    auto p = begin;
    auto end = begin + bytes.size();
    while (p < end) {
        auto blockEnd = p + std::min(kBlock, std::size_t(end - p));
        out.Reserve(3 * std::size_t(blockEnd - p) + 4, std::size_t(p - begin), std::size_t(end - p));
        while (p < blockEnd) {
            p += out.PutPlainAsciiReserved(reinterpret_cast<const char*>(p), std::size_t(blockEnd - p));
            if (p == blockEnd) break;
            if (*p < 0x80) {
                out.PutReserved(*p++);
                continue;
            }
            Utf8Step step = StepUtf8(p, end);
            if (step.wellFormed) {
                out.PutSequenceReserved(p, step.length);
                p += step.length;
                continue;
            }
            p += step.length;
            out.PutReserved(kReplacement);
        }
        input.ReadUpTo(p);
    }
}

// The length a UTF-8 lead byte announces; 0 for a continuation byte.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC0) return 0;
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// A sequence that the end of well-formed UTF-8 cuts becomes U+FFFD.
void ReplaceCutEnd(std::string& text) {
    std::size_t size = text.size();
    for (std::size_t start = size; start > 0 && size - start < 4; --start) {
        std::size_t length = SequenceLength(static_cast<unsigned char>(text[start - 1]));
        if (length == 0) continue;
        if (size - (start - 1) < length) {
            text.resize(start - 1);
            text.append("\xEF\xBF\xBD");
        }
        return;
    }
}

// Where UTF-8 is known well-formed (SniffPlainText's test passed), the
// text is the bytes themselves, changed only where they lie: zero bytes,
// which can then only end the bytes, are left out; CR LF and a lone CR
// become LF; a sequence cut by the end becomes U+FFFD. DecodeUtf8 gives
// the same text from a copy.
void FinishWellFormedUtf8(std::string& text) {
    std::size_t last = text.find_last_not_of('\0');
    text.resize(last == std::string::npos ? 0 : last + 1);
    text.resize(CompactLineEnds(text.data(), text.size()));
    ReplaceCutEnd(text);
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-16 units: plain ASCII runs copied, pairs joined, any other surrogate
// one U+FFFD.
void DecodeUnits(const char16_t* units, std::size_t count, Utf8Text& out) {
    out.Reserve(3 * count + 4);  // a unit takes at most 3 bytes, a pair 4
    for (std::size_t i = 0; i < count;) {
        if (std::size_t run = out.PutPlainAsciiUnitsReserved(units + i, count - i)) {
            i += run;
            continue;
        }
        char16_t unit = units[i];
        if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
            out.PutReserved(0x10000 + (char32_t(unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            i += 2;
        } else {
            out.PutReserved(unit);  // a lone surrogate becomes U+FFFD there
            ++i;
        }
    }
}

char16_t UnitAt(const unsigned char* p, bool bigEndian) {
    return bigEndian ? char16_t(p[0] << 8 | p[1]) : char16_t(p[1] << 8 | p[0]);
}

template <bool bigEndian>
void DecodeUtf16(std::string_view bytes, Utf8Text& out, ConsumedInput input) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t unitCount = bytes.size() / 2;
    // Blocks of units, so that a pair split between blocks is joined.
    constexpr std::size_t kBlock = 4096;
    char16_t block[kBlock + 1];
    std::size_t carried = 0;  // a high surrogate kept from the last block
    for (std::size_t done = 0; done < unitCount;) {
        std::size_t count = std::min(kBlock, unitCount - done);
        if constexpr (!bigEndian && std::endian::native == std::endian::little)
            std::memcpy(block + carried, p + 2 * done, 2 * count);
        else
            for (std::size_t i = 0; i < count; ++i) block[carried + i] = UnitAt(p + 2 * (done + i), bigEndian);
        done += count;
        std::size_t filled = carried + count;
        carried = 0;
        if (done < unitCount && IsHighSurrogate(block[filled - 1])) {
            --filled;
            carried = 1;
        }
        input.ReadUpTo(p + 2 * done);
        DecodeUnits(block, filled, out);
        if (carried) block[0] = block[filled];
    }
    if (bytes.size() % 2 != 0) out.Put(kReplacement);
}

// A byte below 80 is never a lead byte in any code page the layer has, so
// a character always ends with it, and the text can be converted in parts
// split after one.
std::size_t PartEnd(std::string_view bytes, std::size_t start, std::size_t preferredLength) {
    if (bytes.size() - start <= preferredLength) return bytes.size();
    std::size_t end = start + preferredLength;
    for (std::size_t i = end; i > start; --i)
        if (static_cast<unsigned char>(bytes[i - 1]) < 0x80) return i;
    for (std::size_t i = end; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) < 0x80) return std::min(i + 1, start + std::size_t(INT_MAX));
    return std::min(bytes.size(), start + std::size_t(INT_MAX));
}

bool CanConvert(unsigned codePage) { return MultiByteToWide(codePage, 0, "a", 1, nullptr, 0) > 0; }

// A single-byte code page converts each byte by itself (SingleByteUnits
// promises it): through the byte's unit, with no buffer of units. Zero
// bytes are left out, as before any decoding; where the code page keeps
// ASCII as it is, plain ASCII runs are copied, and a block of bytes needs
// room for itself and two more bytes for each byte from 80 on.
void DecodeSingleBytes(std::string_view bytes, const char16_t (&units)[256], Utf8Text& out, ConsumedInput& input) {
    bool keepsAscii = true;
    for (unsigned byte = 1; byte < 0x80; ++byte) keepsAscii &= units[byte] == byte;
    constexpr std::size_t kBlock = std::size_t{1} << 15;
    for (std::size_t start = 0; start < bytes.size(); start += kBlock) {
        std::size_t count = std::min(kBlock, bytes.size() - start);
        const char* block = bytes.data() + start;
        out.Reserve(keepsAscii ? count + 2 * CountHighBytes(block, count) : 3 * count, start, bytes.size() - start);
        for (std::size_t i = 0; i < count;) {
            if (std::size_t run = keepsAscii ? out.PutPlainAsciiReserved(block + i, count - i) : 0) {
                i += run;
                continue;
            }
            auto byte = static_cast<unsigned char>(block[i++]);
            if (byte != 0) out.PutReserved(units[byte]);
        }
        input.ReadUpTo(block + count);
    }
}

// Zero bytes are left out before decoding.
void DecodeAnsi(std::string_view bytes, unsigned codePage, Utf8Text& out, ConsumedInput input) {
    if (!CanConvert(codePage)) codePage = kFallbackCodePage;
    char16_t singleUnits[256];
    if (SingleByteUnits(codePage, singleUnits)) {
        DecodeSingleBytes(bytes, singleUnits, out, input);
        return;
    }
    std::string storage;
    bytes = WithoutZeroBytes(bytes, storage, input);
    constexpr std::size_t kPart = 1 << 16;
    std::vector<char16_t> units;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = PartEnd(bytes, start, kPart);
        int byteCount = static_cast<int>(end - start);
        // No code page gives more units than bytes.
        if (units.size() < end - start) units.resize(end - start);
        int written = MultiByteToWide(codePage, 0, bytes.data() + start, byteCount, units.data(), byteCount);
        input.ReadUpTo(bytes.data() + end);
        DecodeUnits(units.data(), std::size_t(std::max(written, 0)), out);
        start = end;
    }
}

// ----- sniffing -----

struct ByteOrderMark {
    std::string_view bytes;
    PlainEncoding encoding;
};

constexpr ByteOrderMark kByteOrderMarks[] = {
    {"\xEF\xBB\xBF"sv, PlainEncoding::Utf8},
    {"\xFF\xFE"sv, PlainEncoding::Utf16LE},
    {"\xFE\xFF"sv, PlainEncoding::Utf16BE},
};

bool IsTextControl(char16_t unit) { return unit >= 0x09 && unit <= 0x0D; }

// High bytes of the blocks that East Asian text is written in: ASCII,
// CJK punctuation and kana, ideographs, Hangul, full-width forms.
bool IsEastAsianHighByte(unsigned high) {
    return high == 0x00 || high == 0x30 || high == 0x31 || (high >= 0x4E && high <= 0x9F) ||
           (high >= 0xAC && high <= 0xD7) || high == 0xFF;
}

// How well the start of `bytes` reads as UTF-16 in one byte order: the
// number of units whose high byte is 00, or -1 when it does not read as
// UTF-16 text. Alphabetic scripts put 00 in the high byte of their spaces,
// digits and punctuation, and keep their letters in one block; East Asian
// text keeps to its few blocks.
long Utf16Evidence(std::string_view bytes, bool bigEndian) {
    // An odd length (a file cut short) leaves its last byte out of the test.
    if (bytes.size() < 2) return -1;
    std::size_t sampled = std::min(bytes.size(), kUtf16SampleBytes) & ~std::size_t(1);
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t units = sampled / 2;
    std::array<std::size_t, 256> highCounts{};
    std::size_t highZero = 0, lowZero = 0, eastAsian = 0;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t unit = UnitAt(p + 2 * i, bigEndian);
        unsigned high = unit >> 8;
        if (unit < 0x20 && !IsTextControl(unit)) return -1;
        if (unit == 0xFFFE || unit == 0xFFFF) return -1;
        if (IsHighSurrogate(unit)) {
            bool last = i + 1 == units;
            if (!last && !IsLowSurrogate(UnitAt(p + 2 * (i + 1), bigEndian))) return -1;
            if (!last) ++i;
            continue;
        }
        if (IsLowSurrogate(unit)) return -1;
        ++highCounts[high];
        if (high == 0) ++highZero;
        else if ((unit & 0xFF) == 0) ++lowZero;
        if (IsEastAsianHighByte(high)) ++eastAsian;
    }
    // One 00 high byte could be a single zero byte after 8-bit text.
    if (highZero < 2 || lowZero * 16 > units) return -1;
    std::array<std::size_t, 256> sorted = highCounts;
    std::partial_sort(sorted.begin(), sorted.begin() + 2, sorted.end(), std::greater<>());
    bool alphabetic = highZero * 10 >= units && (sorted[0] + sorted[1]) * 10 >= units * 6;
    bool eastAsianText = eastAsian * 20 >= units * 19;
    return alphabetic || eastAsianText ? long(highZero) : -1;
}

// Steps 1 to 3 of SniffPlainText, which read no more than the start of
// the file: the verdict when they reach one, none for 8-bit text. The
// UTF-16 test needs two zero bytes in its sample, so only a zero byte
// there (not anywhere in the file) calls for it.
std::optional<PlainSniff> SniffStart(std::string_view bytes) {
    for (const ByteOrderMark& mark : kByteOrderMarks)
        if (bytes.substr(0, mark.bytes.size()) == mark.bytes) return PlainSniff{mark.encoding, mark.bytes.size()};
    if (!BinaryFormatOf(bytes).empty()) return PlainSniff{PlainEncoding::Binary, 0};
    if (bytes.substr(0, kUtf16SampleBytes).find('\0') != std::string_view::npos) {
        long littleEndian = Utf16Evidence(bytes, false);
        long bigEndian = Utf16Evidence(bytes, true);
        if (littleEndian >= 0 || bigEndian >= 0)
            return PlainSniff{littleEndian >= bigEndian ? PlainEncoding::Utf16LE : PlainEncoding::Utf16BE, 0};
    }
    return std::nullopt;
}

// The text's capacity, asked for at the start: the most that the encoding
// lets the text take, and room for the largest block a decoder reserves at
// a time beyond it, so that the last block never moves the text.
std::size_t TextCapacity(std::string_view text, PlainEncoding encoding) {
    std::size_t blockRoom = 3 * std::min<std::size_t>(text.size(), std::size_t{1} << 16) + 16;
    switch (encoding) {
        // Well-formed UTF-8 stays as long (a cut end adds 2 bytes), units
        // take up to 3 bytes for 2, a byte of 80 or above up to 3 bytes in
        // any code page that keeps ASCII. Beyond that, the text grows.
        case PlainEncoding::Utf8: return text.size() + blockRoom;
        case PlainEncoding::Utf16LE:
        case PlainEncoding::Utf16BE: return text.size() / 2 * 3 + blockRoom;
        case PlainEncoding::Ansi: return text.size() + 2 * CountHighBytes(text.data(), text.size()) + blockRoom;
        case PlainEncoding::Binary: break;
    }
    return 0;
}

}  // namespace

PlainSniff SniffPlainText(std::string_view bytes) {
    if (std::optional<PlainSniff> start = SniffStart(bytes)) return *start;
    std::size_t firstZero = bytes.find('\0');
    if (firstZero != std::string_view::npos) {
        // Zero bytes that only end the file (a terminator, padding) are
        // not part of the text, which is judged without them.
        // A file of nothing but zero bytes holds no text at all.
        std::size_t last = bytes.find_last_not_of('\0');
        if (last == std::string_view::npos || firstZero < last) return {PlainEncoding::Binary, 0};
        bytes = bytes.substr(0, last + 1);
    }
    if (!IsUtf8AllowingCutEnd(bytes)) return {PlainEncoding::Ansi, 0};
    return {PlainEncoding::Utf8, 0, true};
}

bool SniffsAsUtf16(std::string_view bytes) {
    std::optional<PlainSniff> sniff = SniffStart(bytes);
    return sniff && (sniff->encoding == PlainEncoding::Utf16LE || sniff->encoding == PlainEncoding::Utf16BE);
}

namespace {

// `owned`: the bytes are the reader's own, and go back to the system as
// they are decoded.
std::string Decode(std::string_view bytes, const PlainSniff& sniff, unsigned ansiCodePage, bool owned) {
    if (sniff.encoding == PlainEncoding::Binary) return {};
    std::string_view text = bytes.substr(std::min(sniff.bomLength, bytes.size()));
    if (sniff.encoding == PlainEncoding::Utf8 && sniff.wellFormed) {
        std::string copy(text);
        FinishWellFormedUtf8(copy);
        return copy;
    }
    Utf8Text out(TextCapacity(text, sniff.encoding));
    ConsumedInput input = owned ? ConsumedInput::Releasing(text) : ConsumedInput();
    std::string storage;
    switch (sniff.encoding) {
        case PlainEncoding::Utf8: {
            std::string_view decoded = WithoutZeroBytes(text, storage, input);
            DecodeUtf8(decoded, out, input);
            break;
        }
        case PlainEncoding::Utf16LE: DecodeUtf16<false>(text, out, input); break;
        case PlainEncoding::Utf16BE: DecodeUtf16<true>(text, out, input); break;
        case PlainEncoding::Ansi: DecodeAnsi(text, ansiCodePage, out, input); break;
        case PlainEncoding::Binary: break;
    }
    return out.Take();
}

}  // namespace

std::string DecodePlainText(std::string_view bytes, const PlainSniff& sniff, unsigned ansiCodePage) {
    return Decode(bytes, sniff, ansiCodePage, false);
}

std::string DecodeOwnedPlainText(std::string bytes, const PlainSniff& sniff, unsigned ansiCodePage) {
    if (sniff.encoding != PlainEncoding::Utf8 || !sniff.wellFormed || sniff.bomLength != 0)
        return Decode(bytes, sniff, ansiCodePage, true);
    FinishWellFormedUtf8(bytes);
    return bytes;
}

}  // namespace idxfilter::complete
