// Win32 backend: the system's own code-page services.
#include "platform/code_pages.h"

#include <windows.h>

#include <climits>
#include <iterator>
#include <vector>

#include "text/ascii.h"
#include "text/utf8_codec.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected on Windows");

namespace idxfilter {
namespace {

// Text is converted a slice at a time through a small buffer of units, so
// that its whole UTF-16 form (twice the text) never exists and a slice's
// units are still in the cache when they are encoded.
constexpr std::size_t kSliceLength = std::size_t{1} << 16;

// Where a slice may end: just after a byte below 0x30. No code page that
// text reaches here in uses such a byte as the lead or trail byte of a
// double-byte character (lead bytes start at 0x81, trail bytes at 0x40,
// Johab's at 0x31), nor UTF-8 inside a longer sequence, so the conversion
// reads the bytes on each side of that point alike whether or not the text
// is cut there, strict conversions included. Text without such a byte is
// not cut.
std::size_t SliceEnd(std::string_view text) {
    if (text.size() <= kSliceLength) return text.size();
    for (std::size_t i = kSliceLength; i > kSliceLength / 2; --i)
        if (static_cast<unsigned char>(text[i - 1]) < 0x30) return i;
    for (std::size_t i = kSliceLength; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x30) return i + 1;
    return text.size();
}

// Converts one slice and appends its UTF-8 up to the first 0 unit; sets
// `ended` when that unit was met. False when the system refuses the slice.
bool AppendSlice(unsigned codePage, unsigned flags, std::string_view slice, std::vector<char16_t>& units,
                 std::string& out, bool& ended) {
    if (slice.size() > static_cast<std::size_t>(INT_MAX)) return false;
    int byteCount = static_cast<int>(slice.size());
    // No code page gives more units than bytes, so one call with that much
    // room converts a slice without a size query. Most runs of a document
    // are short: their units stay on the stack.
    char16_t shortRun[256];
    char16_t* room = shortRun;
    if (slice.size() > std::size(shortRun)) {
        if (units.size() < slice.size()) units.resize(slice.size());
        room = units.data();
    }
    int count = MultiByteToWideChar(codePage, flags, slice.data(), byteCount, reinterpret_cast<wchar_t*>(room),
                                    byteCount);
    if (count <= 0) return false;
    std::size_t length = UnitsBeforeZero(room, static_cast<std::size_t>(count));
    ended = length != static_cast<std::size_t>(count);
    AppendUnitsAsUtf8(room, length, out);
    return true;
}

}  // namespace

unsigned AnsiCodePage() { return GetACP(); }

int MultiByteToWide(unsigned codePage, unsigned flags, const char* bytes, int byteCount,
                    char16_t* units, int unitCapacity) {
    return MultiByteToWideChar(codePage, flags, bytes, byteCount,
                               reinterpret_cast<wchar_t*>(units), unitCapacity);
}

int WideToMultiByte(unsigned codePage, const char16_t* units, int unitCount, char* bytes,
                    int byteCapacity) {
    return WideCharToMultiByte(codePage, 0, reinterpret_cast<const wchar_t*>(units), unitCount,
                               bytes, byteCapacity, nullptr, nullptr);
}

bool AppendCodePageAsUtf8(unsigned codePage, unsigned flags, std::string_view bytes, std::string& out) {
    const std::size_t start = out.size();
    std::vector<char16_t> units;
    bool ended = false;
    while (!bytes.empty()) {
        std::size_t end = SliceEnd(bytes);
        std::string_view slice = bytes.substr(0, end);
        bytes.remove_prefix(end);
        if (ended) {
            // The text has ended; a strict conversion must still accept the
            // rest, as it would in one call.
            if ((flags & kStrictConversion) == 0) break;
            if (slice.size() > static_cast<std::size_t>(INT_MAX) ||
                MultiByteToWideChar(codePage, flags, slice.data(), static_cast<int>(slice.size()), nullptr, 0) <= 0) {
                out.resize(start);
                return false;
            }
            continue;
        }
        if (!AppendSlice(codePage, flags, slice, units, out, ended)) {
            out.resize(start);
            return false;
        }
    }
    return true;
}

bool ConvertCodePageToUtf8(unsigned codePage, unsigned flags, std::string& text) {
    std::string utf8;
    utf8.reserve(text.size() + text.size() / 8);
    if (!AppendCodePageAsUtf8(codePage, flags, text, utf8)) return false;
    text = std::move(utf8);
    return true;
}

bool SetAnsiCodePage(unsigned) { return false; }

AnsiCodePageHold::AnsiCodePageHold() : previous(0) {}

AnsiCodePageHold::AnsiCodePageHold(unsigned) : previous(0) {}

AnsiCodePageHold::~AnsiCodePageHold() = default;

bool IsAnsiCodePageAvailable(unsigned codePage) { return codePage == GetACP(); }

bool SingleByteUnits(unsigned, char16_t (&)[256]) { return false; }

}  // namespace idxfilter
