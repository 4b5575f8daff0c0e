// The RTF converter on a text as the loader delivers it (UTF-8, any bytes),
// under an ANSI code page chosen by the input.
//
// Invariants: text that is not RTF comes back unchanged; the plain text of
// an RTF document holds no zero byte (the export would cut the text there)
// and stays within a fixed multiple of the input's size; converting again
// gives the same text.
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "rtf/conversion_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    idxfilter::fuzz::UseAnsiCodePageFor(data, size);
    const std::string input(reinterpret_cast<const char*>(data), size);
    const bool isRtf = size >= 8 && std::memcmp(data, "{\\rtf", 5) == 0;

    std::string plain = idxfilter::ConvertRtfToText(input);
    if (!isRtf) {
        FUZZ_CHECK(plain == input);
        return 0;
    }
    FUZZ_CHECK(std::memchr(plain.data(), 0, plain.size()) == nullptr);
    // A UTF-8 byte prepares to at most two code-page bytes, each of which
    // decodes to at most three UTF-8 bytes; markers and link notes add a
    // bounded amount per byte of markup that produced them.
    FUZZ_CHECK(plain.size() <= 6 * size + 16);
    FUZZ_CHECK(idxfilter::ConvertRtfToText(input) == plain);
    return 0;
}
