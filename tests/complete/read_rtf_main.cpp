// Prints what the complete reader gives for RTF files, for measuring it
// against other readers: the text of each file on standard output (files
// separated by a form feed with --separate), or with --time only the
// bytes read and the time taken.
//
//   complete_read [--ansi-codepage N] [--properties] [--time] FILE...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "complete/rtf_reader.h"

int main(int argc, char** argv) {
    unsigned ansiCodePage = 1252;
    bool showProperties = false, timeOnly = false;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "--ansi-codepage") == 0 && first + 1 < argc) {
            ansiCodePage = static_cast<unsigned>(std::atoi(argv[++first]));
        } else if (std::strcmp(argv[first], "--properties") == 0) {
            showProperties = true;
        } else if (std::strcmp(argv[first], "--time") == 0) {
            timeOnly = true;
        } else {
            std::fprintf(stderr, "usage: complete_read [--ansi-codepage N] [--properties] [--time] FILE...\n");
            return 2;
        }
    }
    for (int i = first; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "complete_read: cannot read %s\n", argv[i]);
            return 1;
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bool utf8 = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
        std::string_view input(bytes);
        if (utf8) input.remove_prefix(3);
        auto start = std::chrono::steady_clock::now();
        idxfilter::complete::RtfText result = idxfilter::complete::ReadRtf(input, ansiCodePage, utf8);
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (timeOnly) {
            std::printf("%s\t%zu bytes\t%.6f s\t%.1f MB/s\n", argv[i], bytes.size(), seconds,
                        static_cast<double>(bytes.size()) / 1e6 / seconds);
            continue;
        }
        if (showProperties)
            for (const auto& p : result.properties) std::printf("%s: %s\n", p.name.c_str(), p.value.c_str());
        std::fwrite(result.text.data(), 1, result.text.size(), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}
