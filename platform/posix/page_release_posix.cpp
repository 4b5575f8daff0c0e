#include "platform/page_release.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace idxfilter {

void ReleasePagesWithin(const void* begin, std::size_t size) noexcept {
    static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    auto start = reinterpret_cast<std::uintptr_t>(begin);
    std::uintptr_t first = (start + page - 1) / page * page;
    std::uintptr_t last = (start + size) / page * page;
    // A failure only leaves the pages where they are.
    if (first < last) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace idxfilter
