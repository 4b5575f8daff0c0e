// Writes a fixed set of documents into a folder, runs the filter on each,
// and records what it delivered. Built natively (portable code pages) and
// for Windows (the system's services, under Wine): the two records must be
// identical for the same ANSI code page.
//
//   filter_results FOLDER RECORD ANSI_CODE_PAGE
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "idxfilter.h"
#include "platform/code_pages.h"

namespace {

struct Document {
    std::string name;
    std::string bytes;
};

// Character sets of the table, and some that it lacks.
const int kCharsets[] = {0,   1,   2,   77,  128, 129, 130, 134, 136, 161, 162,
                         177, 178, 186, 204, 222, 238, 254, 255, 7,   163, 256};

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random(seed) {}
    std::uint32_t Below(std::uint32_t n) { return random() % n; }

    std::string Escapes(std::size_t count) {
        static const char* digits = "0123456789abcdef";
        std::string out;
        for (std::size_t i = 0; i < count; ++i) {
            // Lead-byte ranges are favoured so that double-byte pairs, valid
            // and not, occur often.
            unsigned byte = Below(3) == 0 ? 0x20 + Below(0x60) : 0x80 + Below(0x80);
            out += "\\'";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
        return out;
    }

    std::string Body(int fontCount) {
        static const char* pieces[] = {"word ", "\\par\n", "{\\b bold}", " caf\xC3\xA9 ", "\xE4\xB8\xAD",
                                       "\xD0\xAF", "\\tab ", "{\\i x} y", "\\~", "\\line "};
        std::string out;
        for (int i = 0; i < 60; ++i) {
            switch (Below(4)) {
                case 0: out += "\\f" + std::to_string(Below(fontCount)) + " "; break;
                case 1: out += Escapes(1 + Below(6)); break;
                case 2: out += pieces[Below(sizeof pieces / sizeof *pieces)]; break;
                default: out += Escapes(1 + Below(2)) + "A"; break;
            }
        }
        return out;
    }

    std::string RandomBytes(std::size_t count, unsigned low) {
        std::string out;
        for (std::size_t i = 0; i < count; ++i) out += char(low + Below(256 - low));
        return out;
    }

private:
    std::mt19937 random;
};

std::vector<Document> Documents() {
    std::vector<Document> documents;
    Generator generator(20261208);
    for (int charset : kCharsets) {
        for (int variant = 0; variant < 3; ++variant) {
            std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset" +
                              std::to_string(charset) + " Font;}}\n" + generator.Body(2) +
                              "{\\field{\\*\\fldinst{HYPERLINK \"a%e9%u00e9" + generator.Escapes(2) +
                              "\"}}{\\fldrslt{\\f1 " + generator.Escapes(3) + "}}}}";
            documents.push_back({"charset" + std::to_string(charset) + "_" + std::to_string(variant) + ".rtf", rtf});
        }
    }
    documents.push_back({"no_font_table.rtf", "{\\rtf1 " + generator.Body(1) + "}"});
    documents.push_back({"undeclared_fonts.rtf", "{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}}" + generator.Body(5) + "}"});
    for (int i = 0; i < 4; ++i) {
        std::string ansi = generator.RandomBytes(2000, 0x20);
        documents.push_back({"ansi_" + std::to_string(i) + ".txt", ansi});
        std::string le = "\xFF\xFE" + generator.RandomBytes(2000, 0);
        documents.push_back({"utf16le_" + std::to_string(i) + ".txt", le});
        std::string be = "\xFE\xFF" + generator.RandomBytes(2000, 0);
        documents.push_back({"utf16be_" + std::to_string(i) + ".txt", be});
    }
    documents.push_back({"utf8.txt", "plain caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80 text\r\n"});
    return documents;
}

}  // namespace

int IDXFILTER_SINK_CALL Record(const idx_char16* text, void* user) {
    auto* hex = static_cast<std::string*>(user);
    char unit[8];
    for (; *text; ++text) {
        std::snprintf(unit, sizeof unit, "%04X ", unsigned(*text));
        *hex += unit;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: filter_results FOLDER RECORD ANSI_CODE_PAGE\n");
        return 2;
    }
    unsigned codePage = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    idxfilter::SetAnsiCodePage(codePage);
    if (idxfilter::AnsiCodePage() != codePage) {
        std::fprintf(stderr, "filter_results: the ANSI code page is %u, not %u\n", idxfilter::AnsiCodePage(),
                     codePage);
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::ofstream record(argv[2], std::ios::binary);
    for (const Document& document : Documents()) {
        std::string path = (folder / document.name).string();
        std::ofstream(path, std::ios::binary).write(document.bytes.data(),
                                                    static_cast<std::streamsize>(document.bytes.size()));
        std::string hex;
        std::int32_t result = idx_filter(path.c_str(), Record, &hex);
        record << document.name << ' ' << result << ' ' << hex << '\n';
    }
    return record ? 0 : 1;
}
