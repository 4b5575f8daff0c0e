// A C++ host built with find_package(idxfilter): the header compiles as
// C++, and idx_filter runs through the imported target idxfilter::idxfilter.
// Prints the number of UTF-16 units idx_filter returned and how many the
// sink saw, which must be the same.
#include <idxfilter.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

int IDXFILTER_SINK_CALL KeepText(const idx_char16* text, void* user) {
    auto* kept = static_cast<std::u16string*>(user);
    for (; *text != 0; ++text) kept->push_back(static_cast<char16_t>(*text));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::u16string text;
    const std::int32_t result = idx_filter(argv[1], KeepText, &text);
    std::printf("%ld %zu\n", static_cast<long>(result), text.size());
    return result > 0 && static_cast<std::size_t>(result) == text.size() ? 0 : 1;
}
