#include "fuzz/fuzz_support.h"

#include <vector>

#include "platform/code_pages.h"

namespace idxfilter::fuzz {
namespace {

const std::vector<unsigned>& AvailableAnsiCodePages() {
    static const std::vector<unsigned> codePages = [] {
        std::vector<unsigned> found;
        for (unsigned codePage : {1252u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1253u, 1254u, 1255u,
                                  1256u, 1257u, 1258u, 874u})
            if (IsAnsiCodePageAvailable(codePage)) found.push_back(codePage);
        if (found.empty()) found.push_back(AnsiCodePage());
        return found;
    }();
    return codePages;
}

}  // namespace

unsigned AnsiCodePageFor(const std::uint8_t* data, std::size_t size) {
    // Half of the inputs run under 1252, the default the host most often
    // has; the rest are spread by a hash of the bytes.
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    const std::vector<unsigned>& codePages = AvailableAnsiCodePages();
    if ((hash & 1) == 0) return codePages.front();
    return codePages[(hash >> 1) % codePages.size()];
}

unsigned UseAnsiCodePageFor(const std::uint8_t* data, std::size_t size) {
    unsigned codePage = AnsiCodePageFor(data, size);
    FUZZ_CHECK(SetAnsiCodePage(codePage));
    FUZZ_CHECK(AnsiCodePage() == codePage);
    return codePage;
}

}  // namespace idxfilter::fuzz
