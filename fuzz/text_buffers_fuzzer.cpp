// The UTF-8 decoding (WideBuffer, IsWellFormedUtf8) and the code-page
// buffers (Utf8Buffer, AnsiWideBuffer, AnsiBuffer), with the promises their
// headers make:
// - WideBuffer decodes up to the first NUL, never writes more units than
//   bytes plus terminator, holds no 0 unit before the terminator, and is
//   valid exactly when IsWellFormedUtf8 says so;
// - Utf8Buffer's output for any units is well-formed in the decoder's
//   sense and decodes back to the same units (surrogates included), with
//   one to three bytes per unit;
// - the ANSI buffers stop at the first 0, hold no 0 inside, stay within
//   one unit per byte and two bytes per unit, and text converted from code
//   page 1252 converts back to the same bytes;
// - code-page bytes converted straight to UTF-8 give what the conversion
//   to units, cut at the first 0 unit and encoded, gives, and fail when it
//   fails, leaving the string as it was.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf8_codec.h"
#include "loading/wide_buffer.h"
#include "fuzz/fuzz_support.h"
#include "loading/ansi_buffer.h"
#include "tests/reference/ansi_wide_buffer.h"
#include "loading/utf8_buffer.h"
#include "platform/code_pages.h"

namespace {

using namespace idxfilter;

std::size_t PrefixBeforeNul(std::string_view bytes) {
    const void* nul = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()) : bytes.size();
}

bool HasZeroUnit(const char16_t* units, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (units[i] == 0) return true;
    return false;
}

void CheckUtf8Decoding(std::string_view bytes) {
    const std::size_t length = PrefixBeforeNul(bytes);
    const bool wellFormed = IsWellFormedUtf8(bytes.data(), bytes.data() + length);

    WideBuffer terminated(bytes, true);
    FUZZ_CHECK(terminated.Size() >= 1 && terminated.Size() <= length + 1);
    FUZZ_CHECK(terminated.Units().back() == 0);
    FUZZ_CHECK(!HasZeroUnit(terminated.Units().data(), terminated.Size() - 1));
    FUZZ_CHECK(terminated.valid == wellFormed);
    FUZZ_CHECK(terminated.CStr() == terminated.Units().data());

    WideBuffer bare(bytes, false);
    FUZZ_CHECK(bare.Size() == terminated.Size() - 1);
    FUZZ_CHECK(std::equal(bare.Units().begin(), bare.Units().end(), terminated.Units().begin()));
    bool threw = false;
    try {
        bare.CStr();
    } catch (const char*) {
        threw = true;
    }
    FUZZ_CHECK(threw);

    // Decode appends after what is held, terminator included.
    std::string copy(bytes.substr(0, length));
    WideBuffer twice(bytes, true);
    twice.Decode(copy.c_str());
    FUZZ_CHECK(twice.Size() == 2 * terminated.Size());
    FUZZ_CHECK(std::equal(terminated.Units().begin(), terminated.Units().end(), twice.Units().begin()));
    FUZZ_CHECK(std::equal(terminated.Units().begin(), terminated.Units().end(),
                          twice.Units().begin() + static_cast<std::ptrdiff_t>(terminated.Size())));
    FUZZ_CHECK(twice.valid == wellFormed);

    // Re-encoding what was decoded and decoding it again changes nothing.
    Utf8Buffer encoded(terminated.CStr(), false);
    const std::string& again = encoded.Bytes();
    FUZZ_CHECK(IsWellFormedUtf8(again.data(), again.data() + again.size()));
    WideBuffer redecoded(again, true);
    FUZZ_CHECK(redecoded.valid);
    FUZZ_CHECK(redecoded.Units() == terminated.Units());
    // Only four-byte sequences change form (into two three-byte surrogates).
    if (wellFormed) FUZZ_CHECK(again.size() >= length && again.size() <= length + length / 2);
}

void CheckUtf8Encoding(std::string_view bytes) {
    // The bytes read as UTF-16 units, with an exact-size copy for overreads.
    const std::size_t count = bytes.size() / 2;
    std::vector<char16_t> units(count);
    if (count > 0) std::memcpy(units.data(), bytes.data(), count * 2);
    std::size_t length = 0;
    while (length < count && units[length] != 0) ++length;

    Utf8Buffer counted(true);
    counted.Append(units.data(), count);
    const std::string& withTerminator = counted.Bytes();
    FUZZ_CHECK(!withTerminator.empty() && withTerminator.back() == '\0');
    const std::string text = counted.Str();
    FUZZ_CHECK(text.size() == withTerminator.size() - 1);
    FUZZ_CHECK(text.size() >= length && text.size() <= 3 * length);
    FUZZ_CHECK(IsWellFormedUtf8(text.data(), text.data() + text.size()));

    WideBuffer decoded(text, true);
    FUZZ_CHECK(decoded.valid);
    FUZZ_CHECK(decoded.Size() == length + 1);
    FUZZ_CHECK(std::equal(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(length),
                          decoded.Units().begin()));

    std::string appended;
    AppendUnitsAsUtf8(units.data(), length, appended);
    FUZZ_CHECK(appended == text);
}

void CheckAnsiBuffers(std::string_view bytes) {
    const std::size_t length = PrefixBeforeNul(bytes);
    AnsiWideBuffer wide(bytes, true);
    const std::vector<char16_t>& units = wide.Units();
    FUZZ_CHECK(!units.empty() && units.back() == 0);
    FUZZ_CHECK(units.size() - 1 <= length);
    FUZZ_CHECK(length == 0 || units.size() > 1);  // lenient conversion never fails
    FUZZ_CHECK(!HasZeroUnit(units.data(), units.size() - 1));

    AnsiWideBuffer assigned(false);
    assigned.Assign(std::string(bytes.substr(0, length)).c_str());
    FUZZ_CHECK(std::equal(assigned.Units().begin(), assigned.Units().end(), units.begin()));
    FUZZ_CHECK(assigned.Units().size() == units.size() - 1);

    AnsiBuffer back(wide.CStr(), true);
    std::string text = back.Str();
    FUZZ_CHECK(text.size() <= 2 * (units.size() - 1));
    FUZZ_CHECK(std::memchr(text.data(), 0, text.size()) == nullptr);
    if (AnsiCodePage() == 1252) FUZZ_CHECK(text == bytes.substr(0, length));

    // The counted form stops at the count and at a 0 unit alike.
    AnsiBuffer counted(units.data(), units.size(), false);
    FUZZ_CHECK(counted.Str() == text);
    const std::size_t half = (units.size() - 1) / 2;
    AnsiBuffer cut(units.data(), half, true);
    AnsiBuffer prefix(std::u16string(units.data(), half).c_str(), true);
    FUZZ_CHECK(cut.Str() == prefix.Str());
    FUZZ_CHECK(AnsiBuffer(nullptr, true).Str().empty());
}

void CheckCodePageToUtf8(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > 1 << 20) return;
    std::vector<char16_t> units(bytes.size());
    for (unsigned codePage : {kAnsiCodePageAlias, 932u, 936u, 949u, 950u, 1361u, 10001u, 10008u, 1252u, 1255u, 42u}) {
        for (unsigned flags : {0u, kStrictConversion}) {
            std::string expected = "kept", got = "kept";
            int written = MultiByteToWide(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                          units.data(), static_cast<int>(units.size()));
            if (written > 0)
                AppendUnitsAsUtf8(units.data(), UnitsBeforeZero(units.data(), static_cast<std::size_t>(written)),
                                  expected);
            bool appended = AppendCodePageAsUtf8(codePage, flags, bytes, got);
            FUZZ_CHECK(appended == (written > 0));
            FUZZ_CHECK(got == expected);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::UseAnsiCodePageFor(data, size);
    // libFuzzer's buffer has exactly `size` bytes: any read past it shows.
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckUtf8Decoding(bytes);
    CheckUtf8Encoding(bytes);
    CheckAnsiBuffers(bytes);
    CheckCodePageToUtf8(bytes);
    return 0;
}
