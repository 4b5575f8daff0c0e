// Binary formats told by their first bytes, and texts that begin like them.
#include "complete/binary_signatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace idxfilter::complete {
namespace {

using namespace std::string_literals;

struct SignatureCase {
    std::string format;  // "" for text
    std::string bytes;
};

// A file's first bytes followed by some of its body, so that no case
// passes merely by being short.
std::string Body() { return std::string("\x01\x02\x03\x04 body \xFF\xFE") + std::string(600, 'x'); }

std::string PeHeader() {
    std::string header = "MZ"s + std::string(0x3A, '\x90') + "\x40\0\0\0"s + "PE\0\0"s;
    return header + Body();
}

std::string DosHeader() { return "MZ\x90\0\3\0\0\0"s + std::string(56, '\x20') + Body(); }

std::string TarHeader() {
    std::string header = "file.txt" + std::string(249, '\0') + "ustar\0"s + "00";
    return header + std::string(300, '\0');
}

std::string IsoImage() { return std::string(0x8001, '\0') + "CD001" + Body(); }

const SignatureCase kSignatureCases[] = {
    {"elf", "\x7F" "ELF\2\1\1\0"s + Body()},
    {"pe", PeHeader()},
    {"pe", DosHeader()},
    {"mach-o", "\xCF\xFA\xED\xFE\x07\0\0\x01"s + Body()},
    {"mach-o", "\xFE\xED\xFA\xCE"s + Body()},
    {"mach-o", "\xCA\xFE\xBA\xBE\0\0\0\2"s + Body()},
    {"wasm", "\0asm\1\0\0\0"s + Body()},
    {"png", "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR"s + Body()},
    {"jpeg", "\xFF\xD8\xFF\xE0\0\x10JFIF\0"s + Body()},
    {"gif", "GIF89a\x01\0\x01\0"s + Body()},
    {"gif", "GIF87a" + Body()},
    {"bmp", "BM\x36\x00\x0C\x00\0\0\0\0\x36\0\0\0"s + Body()},
    {"tiff", "II*\0\x08\0\0\0"s + Body()},
    {"tiff", "MM\0*\0\0\0\x08"s + Body()},
    {"riff", "RIFF\x24\x08\0\0WEBPVP8 "s + Body()},
    {"riff", "RIFF\x24\x08\0\0WAVEfmt "s + Body()},
    {"iso-media", "\0\0\0\x20" "ftypisom\0\0\2\0"s + Body()},
    {"zip", "PK\3\4\x14\0\x06\0"s + Body()},
    {"zip", "PK\5\6\0\0\0\0"s + Body()},
    {"gzip", "\x1F\x8B\x08\0\0\0\0\0"s + Body()},
    {"bzip2", "BZh91AY&SY" + Body()},
    {"xz", "\xFD" "7zXZ\0\0\4"s + Body()},
    {"7z", "7z\xBC\xAF\x27\x1C\0\4"s + Body()},
    {"zstd", "\x28\xB5\x2F\xFD\x24\0"s + Body()},
    {"rar", "Rar!\x1A\x07\x01\0"s + Body()},
    {"tar", TarHeader()},
    {"pdf", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n" + Body()},
    {"compound", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"s + Body()},
    {"sqlite", "SQLite format 3\0"s + Body()},
    {"ogg", "OggS\0\2"s + Body()},
    {"mp3", "ID3\3\0\0\0\0\0\0"s + Body()},
    {"iso9660", IsoImage()},
    // Texts that begin with a signature's letters stay text.
    {"", "MZ is a short form, and this file is plain text about it.\n" + std::string(80, 'z')},
    {"", "BMW and BMX are words too.\n" + std::string(80, 'b')},
    {"", "BZh is not a compressed stream here.\n"},
    {"", "RIFF raff: a text with no length field after its first word.\n"},
    {"", "ID3 tags are described in this note.\n"},
    {"", "GIF images are not this.\n"},
    {"", "PK is someone's initials.\n"},
    {"", "\xEF\xBB\xBFtext with a byte-order mark\n"},
    {"", ""},
    {"", "M"},
};

TEST(BinarySignatures, EachFormatAndTextsThatLookLikeOne) {
    for (const SignatureCase& c : kSignatureCases)
        EXPECT_EQ(BinaryFormatOf(c.bytes), c.format) << "case starting " << c.bytes.substr(0, 12);
}

// Every signature is longer than a byte, and no cut of a file is taken
// for another format than the whole file's (the check reads nothing past
// the bytes it is given; the sanitizers would tell).
TEST(BinarySignatures, CutFilesAreTheirFormatOrNone) {
    for (const SignatureCase& c : kSignatureCases) {
        for (std::size_t length = 0; length <= std::min<std::size_t>(c.bytes.size(), 300); ++length) {
            std::string prefix = c.bytes.substr(0, length);
            std::string_view format = BinaryFormatOf(prefix);
            if (length < 2) {
                EXPECT_EQ(format, "") << c.format << " cut to " << length;
            } else if (!format.empty()) {
                EXPECT_EQ(format, c.format) << "cut to " << length;
            }
        }
    }
}

TEST(BinarySignatures, ThisTestProgramIsAnExecutable) {
    std::ifstream file("/proc/self/exe", std::ios::binary);
    if (!file) GTEST_SKIP() << "no /proc/self/exe";
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(BinaryFormatOf(bytes), "elf");
}

}  // namespace
}  // namespace idxfilter::complete
