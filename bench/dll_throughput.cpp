// Throughput of the Windows product: loads idxfilter.dll, calls idx_filter
// on each FILE as a host would, ROUNDS times over, and prints the input
// megabytes per second of the fastest round (file reading included, the
// text counted by the sink and dropped). Built by hand with MinGW-w64 and
// run under Wine; README ("Windows product and SSE2") has the command.
//
//     dll_throughput DLL ROUNDS FILE...
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using Sink = int(__cdecl*)(const std::uint16_t* text, void* user);
using Filter = std::int32_t(__stdcall*)(const char* path, Sink sink, void* user);

int __cdecl CountUnits(const std::uint16_t* text, void* user) {
    std::uint64_t units = 0;
    while (text[units] != 0) ++units;
    *static_cast<std::uint64_t*>(user) += units;
    return 0;
}

std::uint64_t FileBytes(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: dll_throughput DLL ROUNDS FILE...\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    // Through void (*)(), the type that stands for any function pointer.
    auto filter = module ? reinterpret_cast<Filter>(reinterpret_cast<void (*)()>(GetProcAddress(module, "idx_filter")))
                         : nullptr;
    if (filter == nullptr) {
        std::fprintf(stderr, "dll_throughput: cannot load idx_filter from %s\n", argv[1]);
        return 2;
    }
    int rounds = std::atoi(argv[2]);
    std::uint64_t bytes = 0;
    for (int i = 3; i < argc; ++i) bytes += FileBytes(argv[i]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    std::uint64_t units = 0;
    for (int round = 0; round < rounds; ++round) {
        units = 0;
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        for (int i = 3; i < argc; ++i) filter(argv[i], CountUnits, &units);
        QueryPerformanceCounter(&stop);
        double seconds = Seconds(start, stop, frequency);
        if (seconds < best) best = seconds;
    }
    std::printf("%.1f MB/s (%llu bytes, %llu units, fastest of %d rounds: %.4f s)\n", double(bytes) / best / 1e6,
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(units), rounds, best);
    return 0;
}
