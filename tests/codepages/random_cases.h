// The random conversion cases of the differential test, generated
// identically by the Windows program that records the system's results
// (win32_oracle.cpp) and by the native test that compares the portable
// backend with them (differential_test.cpp). Only integer arithmetic on a
// fixed generator, so both compilers produce the same cases.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace idxfilter::codepage_cases {

// Code pages of byte-to-unit cases: the alias for the ANSI code page and
// every recorded code page. Unit-to-byte cases use the same list. Each
// code page's cases come from a generator seeded by its number, so adding
// one leaves the cases of the others as they were.
inline constexpr unsigned kCodePages[] = {
    0,     1252,  42,    10000, 932,   949,   1361,  936,   950,   1253,  1254,  1255,
    1256,  1257,  1251,  874,   1250,  437,   850,   1258,  10001, 10002, 10003, 10008,
    10004, 10005, 10006, 10007, 10021, 10029, 10079, 10081, 852,   866,   737,   775,
    855,   857,   860,   861,   862,   863,   864,   865,   869,   720,   708,   20866,
    21866, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605, 20932};
inline constexpr int kCasesPerCodePage = 20000;
inline constexpr uint64_t kSeed = 0x1D5F17E2C0DE9A6Bull;
inline constexpr uint32_t kFileMagic = 0x43504446;  // "FDPC"
inline constexpr uint32_t kFileVersion = 2;
// Larger than any conversion of a case: inputs are at most kMaxLength
// long and no conversion more than doubles the length.
inline constexpr int kMaxLength = 24;
inline constexpr int kOutputCapacity = 4 * kMaxLength;

// SplitMix64: tiny, well-mixed and identical everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [low, high] for test input.
    uint32_t Range(uint32_t low, uint32_t high) {
        return low + uint32_t(Next() % (uint64_t(high) - low + 1));
    }
    bool Percent(uint32_t percent) { return Range(0, 99) < percent; }

private:
    uint64_t state_;
};

// Bytes that single-byte code pages leave undefined or treat specially,
// and the edges of the double-byte lead and trail ranges.
inline constexpr uint8_t kSpecialBytes[] = {
    0x00, 0x7F, 0x80, 0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9F, 0xA0, 0xA1, 0xA5,
    0xAA, 0xC9, 0xD2, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE0, 0xEF, 0xF0,
    0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF, 0x3F, 0x40, 0x41, 0x5C, 0x7E, 0x84,
    0xA4, 0xC6, 0xC7, 0xC8, 0xD3, 0xD4, 0xD8, 0xE4, 0xF8, 0x31, 0x53, 0x5A, 0x60};

inline uint8_t RandomByte(Random& random) {
    uint32_t choice = random.Range(0, 99);
    if (choice < 30) return uint8_t(random.Range(0x81, 0xFE));  // lead range
    if (choice < 45) return uint8_t(random.Range(0x40, 0x7E));  // low trail range
    if (choice < 60) return uint8_t(random.Range(0xA1, 0xFE));  // high trail range
    if (choice < 80) return kSpecialBytes[random.Range(0, sizeof kSpecialBytes - 1)];
    if (choice < 85) return uint8_t(random.Range(0x00, 0x3F));
    return uint8_t(random.Range(0x00, 0xFF));
}

// A byte string, mostly short, often built of lead-trail pairs, often
// ending in a lead byte.
inline std::vector<char> RandomBytes(Random& random) {
    std::vector<char> bytes;
    if (random.Percent(1)) return bytes;
    int length = random.Percent(70) ? int(random.Range(1, 6)) : int(random.Range(1, kMaxLength));
    while (int(bytes.size()) < length) {
        if (random.Percent(40) && int(bytes.size()) + 2 <= length) {
            bytes.push_back(char(random.Range(0x81, 0xFE)));
            bytes.push_back(char(random.Percent(80) ? RandomByte(random)
                                                     : random.Range(0x00, 0xFF)));
        } else {
            bytes.push_back(char(RandomByte(random)));
        }
    }
    if (random.Percent(25)) bytes.back() = char(random.Range(0x81, 0xFE));
    return bytes;
}

// Blocks of UTF-16 units that code pages map, best-fit or leave out.
struct UnitBlock {
    uint16_t first;
    uint16_t last;
};
inline constexpr UnitBlock kUnitBlocks[] = {
    {0x0000, 0x007F}, {0x0080, 0x00FF}, {0x0100, 0x024F}, {0x02B0, 0x03FF}, {0x0400, 0x052F},
    {0x0590, 0x06FF}, {0x0E00, 0x0E7F}, {0x1E00, 0x1EFF}, {0x2000, 0x22FF}, {0x2460, 0x27BF},
    {0x3000, 0x33FF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0xE000, 0xF8FF}, {0xF020, 0xF0FF},
    {0xF900, 0xFAFF}, {0xFE30, 0xFFFF}, {0x0000, 0x001F}, {0x0000, 0xFFFF}};

inline constexpr uint32_t kUnitBlockCount = sizeof kUnitBlocks / sizeof kUnitBlocks[0];

inline std::vector<char16_t> RandomUnits(Random& random) {
    std::vector<char16_t> units;
    if (random.Percent(1)) return units;
    int length = random.Percent(70) ? int(random.Range(1, 6)) : int(random.Range(1, kMaxLength));
    // Half the strings keep to one block, so that code pages that fail on
    // any unmappable unit still see whole strings convert.
    bool oneBlock = random.Percent(50);
    UnitBlock block = kUnitBlocks[random.Range(0, kUnitBlockCount - 1)];
    while (int(units.size()) < length) {
        uint32_t choice = random.Range(0, 99);
        if (choice < 8 && int(units.size()) + 2 <= length) {
            units.push_back(char16_t(random.Range(0xD800, 0xDBFF)));
            units.push_back(char16_t(random.Range(0xDC00, 0xDFFF)));
        } else if (choice < 12) {
            units.push_back(char16_t(random.Range(0xD800, 0xDFFF)));
        } else {
            if (!oneBlock) block = kUnitBlocks[random.Range(0, kUnitBlockCount - 1)];
            units.push_back(char16_t(random.Range(block.first, block.last)));
        }
    }
    return units;
}

// What one conversion case produced: the result with capacity 0, the
// result and output with kOutputCapacity, the result with exactly the
// capacity the output needed and with one unit (or byte) less (-1 when the
// output was under 1 or 2).
struct Outcome {
    int32_t counted = 0;
    int32_t converted = 0;
    int32_t exact = -1;
    int32_t shortOfOne = -1;
    std::vector<uint16_t> output;

    bool operator==(const Outcome&) const = default;
};

// Runs one case through `convert(output, capacity)`, where `Unit` is the
// output element type.
template <typename Unit, typename Convert>
Outcome RunCase(Convert convert) {
    Outcome outcome;
    Unit buffer[kOutputCapacity] = {};
    outcome.counted = convert(static_cast<Unit*>(nullptr), 0);
    outcome.converted = convert(buffer, kOutputCapacity);
    for (int i = 0; i < outcome.converted && i < kOutputCapacity; ++i)
        outcome.output.push_back(uint16_t(buffer[i]));
    Unit small[kOutputCapacity] = {};
    if (outcome.converted >= 1) outcome.exact = convert(small, outcome.converted);
    if (outcome.converted >= 2) outcome.shortOfOne = convert(small, outcome.converted - 1);
    return outcome;
}

// Calls visit(codePage, flags, bytes) for each byte case, flags 0 or 8,
// then visitUnits(codePage, units) for each unit case, in the order both
// programs use.
template <typename VisitBytes, typename VisitUnits>
void ForEachCase(VisitBytes visitBytes, VisitUnits visitUnits) {
    for (unsigned codePage : kCodePages) {
        Random random(kSeed ^ (uint64_t(codePage) << 32));
        for (int i = 0; i < kCasesPerCodePage; ++i) {
            std::vector<char> bytes = RandomBytes(random);
            visitBytes(codePage, 0u, bytes);
            visitBytes(codePage, 8u, bytes);
        }
        for (int i = 0; i < kCasesPerCodePage; ++i) visitUnits(codePage, RandomUnits(random));
    }
}

// The record file: magic, version, the ANSI code page the recording ran
// under, then each outcome as counted, converted, exact, shortOfOne (i32)
// and the output (u16 each), little-endian.
inline void WriteU32(std::FILE* file, uint32_t value) {
    unsigned char bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                              uint8_t(value >> 24)};
    std::fwrite(bytes, 1, 4, file);
}

inline bool ReadU32(std::FILE* file, uint32_t& value) {
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, file) != 4) return false;
    value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
            uint32_t(bytes[3]) << 24;
    return true;
}

inline void WriteOutcome(std::FILE* file, const Outcome& outcome) {
    WriteU32(file, uint32_t(outcome.counted));
    WriteU32(file, uint32_t(outcome.converted));
    WriteU32(file, uint32_t(outcome.exact));
    WriteU32(file, uint32_t(outcome.shortOfOne));
    for (uint16_t unit : outcome.output) {
        unsigned char bytes[2] = {uint8_t(unit), uint8_t(unit >> 8)};
        std::fwrite(bytes, 1, 2, file);
    }
}

inline bool ReadOutcome(std::FILE* file, Outcome& outcome) {
    uint32_t counted, converted, exact, shortOfOne;
    if (!ReadU32(file, counted) || !ReadU32(file, converted) || !ReadU32(file, exact) ||
        !ReadU32(file, shortOfOne))
        return false;
    outcome.counted = int32_t(counted);
    outcome.converted = int32_t(converted);
    outcome.exact = int32_t(exact);
    outcome.shortOfOne = int32_t(shortOfOne);
    outcome.output.clear();
    for (int32_t i = 0; i < outcome.converted && i < kOutputCapacity; ++i) {
        unsigned char bytes[2];
        if (std::fread(bytes, 1, 2, file) != 2) return false;
        outcome.output.push_back(uint16_t(bytes[0] | bytes[1] << 8));
    }
    return true;
}

}  // namespace idxfilter::codepage_cases
