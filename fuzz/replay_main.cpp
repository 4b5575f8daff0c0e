// Runs a fuzz target over saved inputs, for builds without libFuzzer: each
// argument is a file or a folder whose files (recursively) are run in name
// order. Any failed invariant aborts; no input at all is an error, so that
// a misplaced corpus cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsUnder(const std::filesystem::path& root) {
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(root)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else if (std::filesystem::is_regular_file(root)) {
        inputs.push_back(root);
    } else {
        std::fprintf(stderr, "replay: no such input: %s\n", root.string().c_str());
        std::exit(2);
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& path : InputsUnder(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            // An exact-size heap copy, so that an overread shows under ASan.
            auto* copy = new std::uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)];
            std::copy(bytes.begin(), bytes.end(), copy);
            LLVMFuzzerTestOneInput(copy, bytes.size());
            delete[] copy;
            ++count;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return count > 0 ? 0 : 2;
}
