#include "loading/document_loader.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "text/ascii.h"
#include "text/uninitialized_allocator.h"
#include "loading/single_byte_text.h"
#include "loading/text_encoding.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"
#include "platform/file_reading.h"
#include "platform/keeps_ascii.h"

namespace idxfilter {
namespace {

// Long texts are converted a slice at a time through a small UTF-16
// buffer, so that their whole UTF-16 form (twice the text) never exists
// and the slices stay in the cache between the two steps.
constexpr std::size_t kSliceLength = std::size_t{1} << 16;

using AnsiUnits = std::vector<char16_t, UninitializedAllocator<char16_t>>;

// Room for one UTF-8 byte per input unit or byte, and an eighth more,
// covers most texts in one allocation; the others grow from there.
Utf8Buffer ReservedUtf8Buffer(std::size_t length) {
    Utf8Buffer utf8(false);
    utf8.Reserve(length + length / 8);
    return utf8;
}

std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian) {
    // An odd last byte is ignored; a 0 unit ends the text. Units are encoded
    // each by itself, so a slice may end anywhere, even inside a pair.
    std::size_t unitCount = bytes.size() / 2;
    std::vector<char16_t> units(std::min(unitCount, kSliceLength));
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    Utf8Buffer utf8 = ReservedUtf8Buffer(unitCount);
    for (std::size_t done = 0; done < unitCount;) {
        std::size_t count = std::min(unitCount - done, kSliceLength);
        for (std::size_t i = 0; i < count; ++i, p += 2)
            units[i] = littleEndian ? char16_t(p[0] | (p[1] << 8)) : char16_t((p[0] << 8) | p[1]);
        auto zero = std::find(units.begin(), units.begin() + count, u'\0');
        utf8.Append(units.data(), static_cast<std::size_t>(zero - units.begin()));
        if (zero != units.begin() + count) break;
        done += count;
    }
    return utf8.Take();
}

// Where a slice of ANSI text may end: just after a byte below 0x40. No
// ANSI code page uses such a byte as the lead or trail byte of a double-
// byte character (lead bytes start at 0x81, trail bytes at 0x40), nor
// UTF-8 as part of a longer sequence, so the conversion reads the bytes on
// each side of that point alike whether or not the text is cut there.
std::size_t AnsiSliceEnd(std::string_view text) {
    if (text.size() <= kSliceLength) return text.size();
    for (std::size_t i = kSliceLength; i > kSliceLength / 2; --i)
        if (static_cast<unsigned char>(text[i - 1]) < 0x40) return i;
    for (std::size_t i = kSliceLength; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x40) return i + 1;
    return text.size();
}

// A run of ASCII at least this long ends a stretch of other text: shorter
// ones are cheaper to convert with it than to copy by themselves.
constexpr std::size_t kAsciiWorthCopying = 16;

// Where a stretch of text that starts with a non-ASCII byte may end, when
// ASCII is copied rather than converted: just after a byte below 0x40 (as
// for slices) that a long run of ASCII follows, or at the slice's end.
std::size_t NonAsciiStretchEnd(std::string_view text) {
    std::size_t limit = AnsiSliceEnd(text);
    for (std::size_t i = 0; i < limit; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x40) continue;
        std::size_t probe = std::min(text.size() - (i + 1), kAsciiWorthCopying);
        if (IsAscii(text.data() + i + 1, probe)) return i + 1;
    }
    return limit;
}

// Converts the ANSI `bytes` (no NUL among them) and appends their UTF-8.
// Text that the platform cannot convert appends nothing.
void AppendAnsiAsUtf8(std::string_view bytes, unsigned codePage, AnsiUnits& units, Utf8Buffer& utf8) {
    if (bytes.size() > INT_MAX) return;
    // No ANSI code page gives more units than bytes, so one call with that
    // much room usually converts a stretch without a size query.
    int byteCount = static_cast<int>(bytes.size());
    if (units.size() < bytes.size()) units.resize(bytes.size());
    int count = MultiByteToWide(codePage, 0, bytes.data(), byteCount, units.data(), byteCount);
    if (count == 0) {
        count = MultiByteToWide(codePage, 0, bytes.data(), byteCount, nullptr, 0);
        if (count <= 0) return;
        units.resize(static_cast<std::size_t>(count));
        count = MultiByteToWide(codePage, 0, bytes.data(), byteCount, units.data(), count);
    }
    utf8.Append(units.data(), static_cast<std::size_t>(count));
}

std::string AnsiToUtf8(std::string_view bytes, unsigned codePage) {
    bytes = bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
    Utf8Buffer utf8 = ReservedUtf8Buffer(bytes.size());
    // Most ANSI text is largely ASCII, which every usual ANSI code page
    // keeps as it is: such runs are copied, and only the stretches between
    // them go through the platform's conversion.
    bool copyAscii = KeepsAscii(codePage, 0);
    AnsiUnits units;
    while (!bytes.empty()) {
        if (copyAscii) {
            std::size_t ascii = AsciiPrefixLength(bytes.data(), bytes.size());
            utf8.AppendAscii(bytes.substr(0, ascii));
            bytes.remove_prefix(ascii);
            if (bytes.empty()) break;
        }
        std::size_t end = copyAscii ? NonAsciiStretchEnd(bytes) : AnsiSliceEnd(bytes);
        AppendAnsiAsUtf8(bytes.substr(0, end), codePage, units, utf8);
        bytes.remove_prefix(end);
    }
    return utf8.Take();
}

// Room for ANSI text of a single-byte code page to grow into UTF-8 in the
// file's own buffer: an eighth more covers texts in Latin scripts.
constexpr unsigned kSpareEighthsForAnsi = 1;


// What the loader knows of the ANSI code page before it reads a file.
struct AnsiPlan {
    unsigned codePage;
    char16_t singleUnits[256];
    bool singleByte;
};

void PlanAnsi(AnsiPlan& plan) {
    // A single-byte code page converts each byte by itself: where the
    // platform gives its table, one pass through it replaces the calls.
    plan.codePage = AnsiCodePage();
    plan.singleByte = SingleByteUnits(plan.codePage, plan.singleUnits) && SingleByteToUtf8::Serves(plan.singleUnits);
}

std::int64_t DecodeFile(std::string fileBytes, const AnsiPlan& plan, std::string& out) {
    DetectedEncoding detected = DetectEncoding(fileBytes);
    std::string_view text(fileBytes);
    text.remove_prefix(detected.bomLength);
    switch (detected.encoding) {
        case TextEncoding::Utf8:
            fileBytes.erase(0, detected.bomLength);
            out = std::move(fileBytes);
            break;
        case TextEncoding::Ansi:
            if (plan.singleByte && detected.bomLength == 0)
                out = SingleByteToUtf8(plan.singleUnits).Convert(std::move(fileBytes));
            else
                out = AnsiToUtf8(text, plan.codePage);
            break;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            out = Utf16ToUtf8(text, detected.encoding == TextEncoding::Utf16LE);
            break;
    }
    return static_cast<std::int64_t>(out.size());
}

}  // namespace

std::int64_t DocumentLoader::Load(std::string& out) const {
    AnsiPlan plan;
    PlanAnsi(plan);
    std::string fileBytes;
    if (!ReadWholeFile(path, fileBytes, plan.singleByte ? kSpareEighthsForAnsi : 0)) {
        out.clear();
        return -1;
    }
    return DecodeFile(std::move(fileBytes), plan, out);
}

std::int64_t DocumentLoader::Decode(std::string fileBytes, std::string& out) {
    AnsiPlan plan;
    PlanAnsi(plan);
    return DecodeFile(std::move(fileBytes), plan, out);
}

}  // namespace idxfilter
