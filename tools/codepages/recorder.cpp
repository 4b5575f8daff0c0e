// Records what the system's code-page services do, for the generator
// (generate_tables.py) to turn into the portable backend's tables.
//
// A Windows program: build it with MinGW and run it under Wine (or on
// Windows). Usage: recorder OUTPUT_FILE
//
// The recording is little-endian binary:
//   "IDXCPREC" u32 version u32 codePageCount, then per code page:
//   u32 codePage, u32 isDoubleByte,
//   256 single-byte records, each for flags 0 then for flags 8,
//   (double-byte code pages) 65536 two-byte records [first, second] in
//     that order, each for flags 0 then 8,
//   65536 unit records (WideCharToMultiByte, flags 0, no default char),
//   kSurrogateCaseCount records of short UTF-16 strings with surrogates.
// A to-wide record is i32 counted, i32 result, u16 units[4]; a to-bytes
// record is i32 counted, i32 result, u8 bytes[4]: `counted` is what a
// size query (no buffer) returns, the result and output those of a call
// with a buffer of 8; unused slots are 0.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The order of the first eighteen is that of the committed tables; new
// code pages go at the end so that the tables of the others stay as they
// are.
constexpr unsigned kCodePages[] = {
    1252,  42,    10000, 932,   949,   1361,  936,   950,   1253,  1254,  1255,  1256,
    1257,  1251,  874,   1250,  437,   850,
    // Vietnamese, the Mac code pages RTF's character sets name, OEM pages.
    1258,  10001, 10002, 10003, 10008, 10004, 10005, 10006, 10007, 10021, 10029, 10079,
    10081, 852,   866,   737,   775,   855,   857,   860,   861,   862,   863,   864,
    865,   869,   720,
    // Arabic ASMO-708, which RTF's \cpg names; KOI8-R and KOI8-U; ISO 8859;
    // EUC-JP: the encodings of legacy plain text.
    708,   20866, 21866, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603,
    28605, 20932};

// A code page whose characters take up to two bytes, as the system says.
bool IsDoubleByte(unsigned codePage) {
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize == 2;
}

// Strings whose conversion shows how surrogates are treated: pairs, lone
// high and low units, and reversed pairs.
constexpr int kSurrogateCaseCount = 8;
constexpr wchar_t kSurrogateCases[kSurrogateCaseCount][3] = {
    {0xD800, 0xDC00, 0}, {0xDBFF, 0xDFFF, 0}, {0xD83D, 0xDE00, 0}, {0xD800, 0x0041, 0},
    {0x0041, 0xDC00, 0}, {0xDC00, 0xD800, 0}, {0xD800, 0, 0},      {0xDFFF, 0, 0},
};

class Writer {
public:
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) data_.push_back(uint8_t(value >> (8 * i)));
    }
    void U16(uint16_t value) {
        data_.push_back(uint8_t(value));
        data_.push_back(uint8_t(value >> 8));
    }
    void U8(uint8_t value) { data_.push_back(value); }
    void Bytes(const char* text) { data_.insert(data_.end(), text, text + std::strlen(text)); }
    bool Save(const char* path) const {
        FILE* file = std::fopen(path, "wb");
        if (!file) return false;
        bool ok = std::fwrite(data_.data(), 1, data_.size(), file) == data_.size();
        return std::fclose(file) == 0 && ok;
    }

private:
    std::vector<uint8_t> data_;
};

void RecordToWide(Writer& out, unsigned codePage, DWORD flags, const char* bytes, int count) {
    wchar_t units[8] = {};
    out.U32(uint32_t(MultiByteToWideChar(codePage, flags, bytes, count, nullptr, 0)));
    int result = MultiByteToWideChar(codePage, flags, bytes, count, units, 8);
    out.U32(uint32_t(result));
    for (int i = 0; i < 4; ++i) out.U16(i < result ? uint16_t(units[i]) : 0);
}

void RecordToBytes(Writer& out, unsigned codePage, const wchar_t* units, int count) {
    char bytes[8] = {};
    out.U32(uint32_t(WideCharToMultiByte(codePage, 0, units, count, nullptr, 0, nullptr, nullptr)));
    int result = WideCharToMultiByte(codePage, 0, units, count, bytes, 8, nullptr, nullptr);
    out.U32(uint32_t(result));
    for (int i = 0; i < 4; ++i) out.U8(i < result ? uint8_t(bytes[i]) : 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: recorder OUTPUT_FILE\n");
        return 2;
    }
    Writer out;
    out.Bytes("IDXCPREC");
    out.U32(2);
    out.U32(sizeof kCodePages / sizeof kCodePages[0]);
    for (unsigned codePage : kCodePages) {
        out.U32(codePage);
        out.U32(IsDoubleByte(codePage) ? 1 : 0);
        for (int byte = 0; byte < 256; ++byte) {
            char input[1] = {char(byte)};
            RecordToWide(out, codePage, 0, input, 1);
            RecordToWide(out, codePage, MB_ERR_INVALID_CHARS, input, 1);
        }
        if (IsDoubleByte(codePage)) {
            for (int pair = 0; pair < 65536; ++pair) {
                char input[2] = {char(pair >> 8), char(pair & 0xFF)};
                RecordToWide(out, codePage, 0, input, 2);
                RecordToWide(out, codePage, MB_ERR_INVALID_CHARS, input, 2);
            }
        }
        for (int unit = 0; unit < 65536; ++unit) {
            wchar_t input[1] = {wchar_t(unit)};
            RecordToBytes(out, codePage, input, 1);
        }
        for (const auto& units : kSurrogateCases)
            RecordToBytes(out, codePage, units, units[1] == 0 ? 1 : 2);
    }
    if (!out.Save(argv[1])) {
        std::fprintf(stderr, "recorder: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
