// Decoding bytes of a code page into UTF-8, through the platform's
// code-page services: single-byte code pages by a table of what each
// byte gives, double-byte ones run by run, a fault costing one U+FFFD.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace idxfilter::complete {

// What each byte of a single-byte code page gives, in UTF-8.
struct ByteTable {
    char utf8[256][4];
    std::uint8_t length[256];
    // Bytes 0x20 to 0x7F give themselves.
    bool keepsAscii = false;

    void Append(std::string& out, unsigned char byte) const { out.append(utf8[byte], length[byte]); }
};

class CodePageDecoder {
public:
    // True when the platform converts `codePage` (asked once per code page).
    bool Converts(unsigned codePage);

    // True for the code pages whose characters take one or two bytes.
    static bool IsDoubleByte(unsigned codePage);

    // The table of a single-byte code page that the platform converts.
    const ByteTable& Table(unsigned codePage);

    // Appends the characters of `bytes` in double-byte `codePage`. When the
    // run is not valid as a whole, it is decoded character by character:
    // each byte that begins no valid character gives one U+FFFD and the
    // next byte is read afresh.
    void AppendDoubleByte(unsigned codePage, std::string_view bytes, std::string& out);

private:
    void AppendDoubleByteChunk(unsigned codePage, std::string_view bytes, std::string& out);
    void AppendCharacterByCharacter(unsigned codePage, std::string_view bytes, std::string& out);

    std::vector<std::pair<unsigned, bool>> known;
    std::vector<std::pair<unsigned, std::unique_ptr<ByteTable>>> tables;
    std::u16string units;
};

}  // namespace idxfilter::complete
