// Decoding bytes of a code page into UTF-8, through the platform's
// code-page services: single-byte code pages by a table of what each
// byte gives, double-byte ones run by run, a fault costing one U+FFFD.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
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

// Code page 65001, UTF-8: declared by some writers, decoded here without
// the platform, as a code page of characters of several bytes.
inline constexpr unsigned kUtf8CodePage = 65001;

class CodePageDecoder {
public:
    // True when the platform converts `codePage` (asked once per code page).
    bool Converts(unsigned codePage);

    // True for the code pages whose characters take one or two bytes (and
    // for UTF-8).
    static bool IsDoubleByte(unsigned codePage);

    // The table of a single-byte code page that the platform converts.
    const ByteTable& Table(unsigned codePage);

    // Appends the characters of `bytes` in double-byte `codePage`. When the
    // run is not valid as a whole, it is decoded character by character:
    // each byte that begins no valid character gives one U+FFFD and the
    // next byte is read afresh.
    void AppendDoubleByte(unsigned codePage, std::string_view bytes, std::string& out);

    // The length of the longest start of `bytes` that ends between
    // characters of double-byte `codePage`: all of it unless it ends with
    // the first byte of a character.
    std::size_t WholeCharactersLength(unsigned codePage, std::string_view bytes);

private:
    using ByteSet = std::array<bool, 256>;

    void AppendDoubleByteChunk(unsigned codePage, std::string_view bytes, std::string& out);
    void AppendInPieces(unsigned codePage, std::string_view bytes, std::string& out);
    void AppendCharacterByCharacter(unsigned codePage, std::string_view bytes, std::string& out);
    // The bytes that are no character alone: lead bytes, and bytes that
    // are invalid altogether.
    const ByteSet& NoCharacterAlone(unsigned codePage);

    // Documents may name every code page there is: a map, not a list.
    std::unordered_map<unsigned, bool> known;
    unsigned lastAsked = 0;
    bool lastConverts = false;
    // The shared tables this reading has used so far.
    std::vector<std::pair<unsigned, const ByteTable*>> tables;
    std::vector<std::pair<unsigned, const ByteSet*>> leadBytes;
    std::u16string units;
};

}  // namespace idxfilter::complete
