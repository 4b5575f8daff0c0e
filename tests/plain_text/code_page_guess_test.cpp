// The guess of a legacy text's code page, judged by the text it gives.
#include "complete/code_page_guess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "complete/plain_text.h"
#include "platform/code_pages.h"

namespace idxfilter::complete {
namespace {

const std::filesystem::path kSamples = IDXFILTER_PLAIN_TEXT_SAMPLES;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The text of a sample, whatever its encoding.
std::u16string SampleUnits(const std::string& name) {
    std::filesystem::path path = kSamples / name;
    if (!std::filesystem::exists(path)) return {};
    std::string bytes = ReadFile(path);
    std::string utf8 = DecodePlainText(bytes, SniffPlainText(bytes), 1252);
    std::u16string units;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        char32_t cp;
        std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        cp = length == 1 ? c : c & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) cp = cp << 6 | (utf8[i + k] & 0x3F);
        i += length;
        if (cp >= 0x10000) {
            units += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            units += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            units += char16_t(cp);
        }
    }
    return units;
}

std::string Encoded(const std::u16string& units, unsigned codePage) {
    std::string bytes(units.size() * 2 + 1, '\0');
    int count = WideToMultiByte(codePage, units.data(), int(units.size()), bytes.data(), int(bytes.size()));
    bytes.resize(std::size_t(std::max(count, 0)));
    return bytes;
}

// The code page that a file name such as "name.cp1251.txt" gives; 0 for
// other names.
unsigned CodePageOfName(const std::string& name) {
    std::size_t at = name.find(".cp");
    if (at == std::string::npos) return 0;
    std::size_t digits = at + 3, end = digits;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
    if (end == digits || end == name.size() || name[end] != '.') return 0;
    return unsigned(std::stoul(name.substr(digits, end - digits)));
}

std::string AsAnsi(const std::string& bytes, unsigned codePage) {
    return DecodePlainText(bytes, {PlainEncoding::Ansi, 0}, codePage);
}

TEST(GuessAnsiCodePage, NoLegacyTextMeans1252) {
    EXPECT_EQ(GuessAnsiCodePage(""), 1252u);
    EXPECT_EQ(GuessAnsiCodePage("plain ASCII text, nothing else.\n"), 1252u);
    EXPECT_EQ(GuessAnsiCodePage("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, UTF-8 text"), 1252u);
}

// Real texts in many scripts, encoded in legacy code pages: the guess must
// decode them to the same text as their true code page does (a guess of a
// sibling page that gives the same characters is as good). uchardet 0.0.7
// does not tell Greek in 737 from Western text, so that page is not here.
TEST(GuessAnsiCodePage, LegacyEncodingsOfTheSamples) {
    struct Case {
        const char* sample;
        unsigned codePage;
    };
    const Case cases[] = {
        {"man_ru_passwd.utf16be-bom.txt", 1251},  {"man_ru_passwd.utf16be-bom.txt", 20866},
        {"man_ru_passwd.utf16be-bom.txt", 866},   {"man_ru_passwd.utf16be-bom.txt", 28595},
        {"europarl_el.utf16le-nobom.txt", 1253},  {"europarl_el.utf16le-nobom.txt", 28597},
        {"europarl_ja.utf8-bom.txt", 932},        {"europarl_ja.utf8-bom.txt", 20932},
        {"europarl_zh.utf8-nobom.txt", 936},      {"europarl_zh.utf8-nobom.txt", 950},
        {"man_ru_passwd.utf16be-bom.txt", 10007}, {"man_ru_passwd.utf16be-bom.txt", 855},
        {"man_ru_passwd.utf16be-bom.txt", 21866},
        {"udhr_known.utf16le-bom.txt", 1252},     {"udhr_known.utf16le-bom.txt", 1250},
        {"udhr_known.utf16le-bom.txt", 28592},    {"udhr_known.utf16le-bom.txt", 1258},
    };
    int tried = 0, right = 0;
    for (const Case& c : cases) {
        std::u16string units = SampleUnits(c.sample);
        if (units.empty()) continue;
        ++tried;
        std::string bytes = Encoded(units, c.codePage);
        unsigned guess = GuessAnsiCodePage(bytes);
        bool same = AsAnsi(bytes, guess) == AsAnsi(bytes, c.codePage);
        right += same;
        EXPECT_TRUE(same) << c.sample << " in " << c.codePage << ", guessed " << guess;
    }
    if (tried == 0) GTEST_SKIP() << "no samples at " << kSamples;
    std::printf("guessed %d of %d legacy encodings of the samples\n", right, tried);
}

// The legacy files among the shared samples, whose names say their code
// page ("name.cp1251.txt"): how many the guess gets right.
TEST(GuessAnsiCodePage, LegacySamplesNamedByCodePage) {
    if (!std::filesystem::exists(kSamples)) GTEST_SKIP() << "no samples at " << kSamples;
    int tried = 0, right = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples)) {
        std::string name = entry.path().filename().string();
        unsigned codePage = CodePageOfName(name);
        if (codePage == 0) continue;
        std::string bytes = ReadFile(entry.path());
        unsigned guess = GuessAnsiCodePage(bytes);
        ++tried;
        right += AsAnsi(bytes, guess) == AsAnsi(bytes, codePage);
        EXPECT_EQ(guess, codePage) << name;
    }
    if (tried == 0) GTEST_SKIP() << "no legacy samples";
    std::printf("guessed %d of %d legacy samples\n", right, tried);
}

}  // namespace
}  // namespace idxfilter::complete
