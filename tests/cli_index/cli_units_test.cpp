// The tool's pieces whose faults the end-to-end tests would hardly show:
// UTF-8 validation at its boundaries, base64, JSON lines for odd paths,
// number parsing, path normalisation, and the ordered parallel runner.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <nlohmann/json.hpp>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cli/command_line.h"
#include "cli/file_walk.h"
#include "cli/jsonl_output.h"
#include "cli/parallel_filter.h"
#include "cli/text_output.h"

namespace idxfilter::cli {
namespace {

std::string WrittenToFile(const std::u16string& units, bool utf8) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    WriteUtf16(units.data(), units.size(), utf8, file);
    std::string bytes(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    return bytes;
}

TEST(WriteUtf16, WritesInSlicesWhatTheWholeConversionGives) {
    // Pairs on both sides of the slice boundaries, one unpaired half at
    // the very end of a slice, and a pair that ends the text.
    std::u16string units(200000, u'x');
    units[65535] = 0xD83D;
    units[65536] = 0xDE00;
    units[131070] = 0xD83D;
    units[131071] = 0xDE00;
    units[150000] = 0xDC00;
    units[199998] = 0xD83D;
    units[199999] = 0xDE00;
    EXPECT_TRUE(WrittenToFile(units, true) == Utf16ToDisplayUtf8(units.data(), units.size()));
    EXPECT_TRUE(WrittenToFile(units, false) == Utf16ToLittleEndianBytes(units.data(), units.size()));
}

// The display form worked out one character at a time: pairs joined,
// lone halves as U+FFFD.
std::string DisplayReference(const std::u16string& units) {
    std::string out;
    auto put = [&out](char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        bool high = u >= 0xD800 && u <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            put(0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00));
        else
            put(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    return out;
}

TEST(DisplayUtf8, MatchesCharacterByCharacterEncodingOnMixedText) {
    // Runs of CJK of every length among ASCII, letters, pairs and lone
    // halves.
    std::mt19937 random(9);
    std::uniform_int_distribution<int> kind(0, 7), run(1, 30), cjk(0x3040, 0x9FFF);
    for (int round = 0; round < 200; ++round) {
        std::u16string units;
        while (units.size() < static_cast<std::size_t>(round * 5)) {
            switch (kind(random)) {
                case 0: units += u"ab "; break;
                case 1: units += u"\u00E9\u0416"; break;
                case 2: units += u"\U0001F600"; break;
                case 3: units += char16_t(round % 2 ? 0xD83D : 0xDE00); break;
                default:
                    for (int n = run(random); n > 0; --n) units += char16_t(cjk(random));
            }
        }
        ASSERT_EQ(Utf16ToDisplayUtf8(units.data(), units.size()), DisplayReference(units)) << round;
        ASSERT_EQ(WrittenToFile(units, true), DisplayReference(units)) << round;
    }
}

TEST(Utf8Validation, AcceptsWellFormedAndRejectsEachIllFormedShape) {
    struct Case {
        const char* bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain", true},
        {"caf\xC3\xA9", true},
        {"\xE2\x82\xAC", true},               // U+20AC
        {"\xED\x9F\xBF", true},               // U+D7FF, below the surrogates
        {"\xEE\x80\x80", true},               // U+E000, above them
        {"\xF0\x90\x80\x80", true},           // U+10000
        {"\xF4\x8F\xBF\xBF", true},           // U+10FFFF
        {"\xC3", false},                      // truncated
        {"\xE2\x82", false},                  // truncated
        {"\xC0\xAF", false},                  // overlong '/'
        {"\xC1\xBF", false},                  // overlong
        {"\xE0\x9F\xBF", false},              // overlong three-byte
        {"\xF0\x8F\xBF\xBF", false},          // overlong four-byte
        {"\xED\xA0\x80", false},              // U+D800
        {"\xED\xBF\xBF", false},              // U+DFFF
        {"\xF4\x90\x80\x80", false},          // U+110000
        {"\xF5\x80\x80\x80", false},
        {"\x80", false},                      // lone continuation
        {"a\xFF" "b", false},
        {"\xE2\x28\xA1", false},              // bad second byte
        {"\xE2\x82\x28", false},              // bad third byte
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(Base64, MatchesTheStandardVectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
        {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"}, {std::string("\xFF\xFE\x00", 3), "//4A"},
    };
    for (const auto& [bytes, encoded] : cases) EXPECT_EQ(Base64(bytes), encoded);
}

TEST(JsonLine, KeepsValidPathsAndCarriesOthersExactlyInBase64) {
    using nlohmann::json;
    json plain = json::parse(JsonLine("/d/na\xC3\xAFve.txt", "exact", 3, "A\xF0\x9F\x98\x80", ""));
    EXPECT_EQ(plain["path"], "/d/na\xC3\xAFve.txt");
    EXPECT_FALSE(plain.contains("path_base64"));
    EXPECT_EQ(plain["text"], "A\xF0\x9F\x98\x80");
    EXPECT_FALSE(plain.contains("reason"));

    std::string line = JsonLine("/d/odd\xFF\n.txt", "exact", -1, "", "missing");
    ASSERT_EQ(line.find('\n'), line.size() - 1) << "one line per file";
    json odd = json::parse(line);
    EXPECT_EQ(odd["path"], "/d/odd\xEF\xBF\xBD\n.txt");
    EXPECT_EQ(odd["path_base64"], Base64("/d/odd\xFF\n.txt"));
    EXPECT_EQ(odd["result"], -1);
    EXPECT_EQ(odd["reason"], "missing");
    EXPECT_EQ(odd["reader"], "exact");
    EXPECT_FALSE(odd.contains("meta"));
}

TEST(JsonLine, CarriesTheReaderAndTheDocumentsProperties) {
    using nlohmann::json;
    std::vector<DocumentProperty> meta = {{"title", "Quarterly \"Q3\"\n"}, {"author", "Ren\xC3\xA9e"}};
    json row = json::parse(JsonLine("/d/a.rtf", "complete", 5, "hello", "", meta));
    EXPECT_EQ(row["reader"], "complete");
    EXPECT_EQ(row["meta"], json({{"title", "Quarterly \"Q3\"\n"}, {"author", "Ren\xC3\xA9e"}}));
    EXPECT_EQ(row["text"], "hello");
    // Keys in the documented order: path, reader, result, meta, text.
    std::string line = JsonLine("/d/a.rtf", "complete", 5, "hello", "", meta);
    EXPECT_LT(line.find("\"reader\""), line.find("\"result\""));
    EXPECT_LT(line.find("\"result\""), line.find("\"meta\""));
    EXPECT_LT(line.find("\"meta\""), line.find("\"text\""));
}

TEST(ParseNumber, AcceptsOnlyPlainDecimalsInRange) {
    struct Case {
        const char* text;
        bool accepted;
        unsigned long value;
    };
    const Case cases[] = {{"1", true, 1},     {"256", true, 256}, {"0", false, 0},
                          {"257", false, 0},  {"", false, 0},     {"-1", false, 0},
                          {"+2", false, 0},   {" 2", false, 0},   {"2x", false, 0},
                          {"99999999999999999999", false, 0}};
    for (const Case& c : cases) {
        unsigned long value = 0;
        EXPECT_EQ(ParseNumber(c.text, 1, 256, value), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(AbsolutePath, NormalisesWithoutResolvingLinks) {
    char buffer[4096];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    std::string cwd = buffer;
    const std::pair<std::string, std::string> cases[] = {
        {"/a/b/../c/./d", "/a/c/d"}, {"/a//b///", "/a/b"}, {"/", "/"},
        {"x/y/", cwd + "/x/y"},      {".", cwd},           {"/a/\xFF/b", "/a/\xFF/b"},
    };
    for (const auto& [given, expected] : cases) EXPECT_EQ(AbsolutePath(given), expected) << given;
}

TEST(RunInOrder, ConsumesInOrderWithinTheWindowWhateverFinishesFirst) {
    for (unsigned jobs : {1u, 2u, 5u}) {
        const std::size_t count = 200, window = 8;
        std::vector<int> produced(count, 0);
        std::vector<std::size_t> consumedOrder;
        std::atomic<std::size_t> consumed{0};
        std::atomic<std::size_t> furthestAhead{0};
        RunInOrder(
            count, jobs, window,
            [&](std::size_t i) {
                // Early items are slow, so later ones finish first.
                if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
                std::size_t ahead = i - consumed.load();
                std::size_t seen = furthestAhead.load();
                while (ahead > seen && !furthestAhead.compare_exchange_weak(seen, ahead)) {
                }
                produced[i] = int(i) + 1;
            },
            [&](std::size_t i) {
                EXPECT_EQ(produced[i], int(i) + 1) << "consumed before produced";
                consumedOrder.push_back(i);
                consumed = i + 1;
            });
        ASSERT_EQ(consumedOrder.size(), count);
        for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(consumedOrder[i], i);
        EXPECT_LT(furthestAhead.load(), window + jobs) << "jobs " << jobs;
    }
}

TEST(RunInOrder, AnExceptionFromTheConsumerStopsTheWorkAndReachesTheCaller) {
    std::atomic<std::size_t> produced{0};
    EXPECT_THROW(RunInOrder(
                     10000, 3, 6, [&](std::size_t) { ++produced; },
                     [&](std::size_t i) {
                         if (i == 10) throw std::runtime_error("disk full");
                     }),
                 std::runtime_error);
    EXPECT_LT(produced.load(), 100u);
}

}  // namespace
}  // namespace idxfilter::cli
