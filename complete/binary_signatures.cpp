#include "complete/binary_signatures.h"

#include <cstddef>
#include <cstdint>

namespace idxfilter::complete {
namespace {

using namespace std::string_view_literals;

// A signature that by itself identifies the format: bytes at an offset
// that no text begins with, for each of them holds a byte outside
// printable ASCII or a sequence no text file starts with.
struct Signature {
    std::string_view name;
    std::size_t offset;
    std::string_view magic;
};

constexpr Signature kSignatures[] = {
    // Programs and libraries.
    {"elf", 0, "\x7F" "ELF"sv},
    {"mach-o", 0, "\xFE\xED\xFA\xCE"sv},
    {"mach-o", 0, "\xFE\xED\xFA\xCF"sv},
    {"mach-o", 0, "\xCE\xFA\xED\xFE"sv},
    {"mach-o", 0, "\xCF\xFA\xED\xFE"sv},
    // Universal Mach-O binaries and Java classes share this one.
    {"mach-o", 0, "\xCA\xFE\xBA\xBE"sv},
    {"wasm", 0, "\0asm"sv},
    {"dex", 0, "dex\n"sv},
    // Images.
    {"png", 0, "\x89PNG\r\n\x1A\n"sv},
    {"jpeg", 0, "\xFF\xD8\xFF"sv},
    {"gif", 0, "GIF87a"sv},
    {"gif", 0, "GIF89a"sv},
    {"tiff", 0, "II*\0"sv},
    {"tiff", 0, "MM\0*"sv},
    {"ico", 0, "\0\0\1\0"sv},
    {"psd", 0, "8BPS\0\1"sv},
    {"jpeg2000", 0, "\0\0\0\x0CjP  \r\n\x87\n"sv},
    // Archives and compressed data.
    {"zip", 0, "PK\3\4"sv},
    {"zip", 0, "PK\5\6"sv},
    {"zip", 0, "PK\7\x08"sv},
    {"gzip", 0, "\x1F\x8B"sv},
    {"xz", 0, "\xFD" "7zXZ\0"sv},
    {"7z", 0, "7z\xBC\xAF\x27\x1C"sv},
    {"zstd", 0, "\x28\xB5\x2F\xFD"sv},
    {"lz4", 0, "\x04\x22\x4D\x18"sv},
    {"rar", 0, "Rar!\x1A\x07"sv},
    {"cab", 0, "MSCF\0\0\0\0"sv},
    {"ar", 0, "!<arch>\n"sv},
    {"lzip", 0, "LZIP\1"sv},
    {"compress", 0, "\x1F\x9D"sv},
    // Documents and data.
    {"pdf", 0, "%PDF-"sv},
    {"compound", 0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv},
    {"sqlite", 0, "SQLite format 3\0"sv},
    {"ttf", 0, "\0\1\0\0\0"sv},
    {"otf", 0, "OTTO\0"sv},
    {"woff", 0, "wOFF\0"sv},
    {"woff2", 0, "wOF2\0"sv},
    // Sound and video.
    {"ogg", 0, "OggS\0"sv},
    {"flac", 0, "fLaC\0"sv},
    {"midi", 0, "MThd\0\0\0\6"sv},
    {"matroska", 0, "\x1A\x45\xDF\xA3"sv},
    {"iso9660", 0x8001, "CD001"sv},
};

bool HasAt(std::string_view bytes, std::size_t offset, std::string_view magic) {
    return bytes.size() >= offset + magic.size() && bytes.compare(offset, magic.size(), magic) == 0;
}

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

bool IsAsciiLetterOrSpace(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' '; }

// "MZ" begins words too: an executable also has its 64-byte header, with
// the offset of a "PE\0\0" header, or at least the zero bytes that a DOS
// header's small fields always hold.
bool IsDosOrPeExecutable(std::string_view bytes) {
    if (!HasAt(bytes, 0, "MZ") || bytes.size() < 64) return false;
    std::uint32_t peOffset = LittleEndian32(bytes, 0x3C);
    if (peOffset <= bytes.size() - 4 && HasAt(bytes, peOffset, "PE\0\0"sv)) return true;
    return bytes.substr(2, 62).find('\0') != std::string_view::npos;
}

// "BM" also: a bitmap's header has four reserved zero bytes at 6.
bool IsBitmap(std::string_view bytes) { return HasAt(bytes, 0, "BM") && HasAt(bytes, 6, "\0\0\0\0"sv); }

// "BZh1" to "BZh9", then the magic of a block or of the end of the stream.
bool IsBzip2(std::string_view bytes) {
    return HasAt(bytes, 0, "BZh") && bytes.size() >= 10 && bytes[3] >= '1' && bytes[3] <= '9' &&
           (HasAt(bytes, 4, "\x31\x41\x59\x26\x53\x59"sv) || HasAt(bytes, 4, "\x17\x72\x45\x38\x50\x90"sv));
}

bool IsPrintableAscii(char c) { return c >= 0x20 && c < 0x7F; }

// RIFF containers (WebP, WAVE, AVI, ...): a binary length (not four
// printable characters), then the form type's four letters.
bool IsRiff(std::string_view bytes) {
    if (!HasAt(bytes, 0, "RIFF") || bytes.size() < 12) return false;
    if (IsPrintableAscii(bytes[4]) && IsPrintableAscii(bytes[5]) && IsPrintableAscii(bytes[6]) &&
        IsPrintableAscii(bytes[7]))
        return false;
    for (std::size_t i = 8; i < 12; ++i)
        if (!IsAsciiLetterOrSpace(bytes[i]) && !(bytes[i] >= '0' && bytes[i] <= '9')) return false;
    return true;
}

// ISO media files (MP4, MOV, HEIC, AVIF, 3GP): a box length whose first
// byte is small, then "ftyp".
bool IsIsoMedia(std::string_view bytes) {
    return HasAt(bytes, 4, "ftyp") && static_cast<unsigned char>(bytes[0]) < 0x10;
}

// A POSIX or GNU tar archive: "ustar" after the first header's fields.
bool IsTar(std::string_view bytes) { return HasAt(bytes, 257, "ustar\0"sv) || HasAt(bytes, 257, "ustar  \0"sv); }

// ID3-tagged audio: "ID3", a major version from 2 to 4, a zero revision.
bool IsId3(std::string_view bytes) {
    return HasAt(bytes, 0, "ID3") && bytes.size() >= 5 && bytes[3] >= 2 && bytes[3] <= 4 && bytes[4] == 0;
}

}  // namespace

std::string_view BinaryFormatOf(std::string_view bytes) {
    for (const Signature& signature : kSignatures)
        if (HasAt(bytes, signature.offset, signature.magic)) return signature.name;
    if (IsDosOrPeExecutable(bytes)) return "pe";
    if (IsBitmap(bytes)) return "bmp";
    if (IsBzip2(bytes)) return "bzip2";
    if (IsRiff(bytes)) return "riff";
    if (IsIsoMedia(bytes)) return "iso-media";
    if (IsTar(bytes)) return "tar";
    if (IsId3(bytes)) return "mp3";
    return {};
}

}  // namespace idxfilter::complete
