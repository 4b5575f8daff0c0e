// Records what the system's code-page services do with the differential
// test's random cases (random_cases.h). A Windows program, run under Wine
// by the test; differential_test.cpp compares the portable backend with
// the file it writes. Usage: win32_oracle OUTPUT_FILE
#include <windows.h>

#include <cstdio>

#include "random_cases.h"

using namespace idxfilter::codepage_cases;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: win32_oracle OUTPUT_FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "win32_oracle: cannot write %s\n", argv[1]);
        return 1;
    }
    WriteU32(file, kFileMagic);
    WriteU32(file, kFileVersion);
    WriteU32(file, GetACP());
    ForEachCase(
        [&](unsigned codePage, unsigned flags, const std::vector<char>& bytes) {
            WriteOutcome(file, RunCase<wchar_t>([&](wchar_t* units, int capacity) {
                             return MultiByteToWideChar(codePage, flags, bytes.data(),
                                                        int(bytes.size()), units, capacity);
                         }));
        },
        [&](unsigned codePage, const std::vector<char16_t>& units) {
            WriteOutcome(file, RunCase<char>([&](char* bytes, int capacity) {
                             return WideCharToMultiByte(
                                 codePage, 0, reinterpret_cast<const wchar_t*>(units.data()),
                                 int(units.size()), bytes, capacity, nullptr, nullptr);
                         }));
        });
    if (std::fclose(file) != 0) {
        std::fprintf(stderr, "win32_oracle: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
