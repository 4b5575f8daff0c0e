// The tool holds whole files and their text in memory, several buffers of
// the file's size one after another. On Linux most of the time such a run
// takes goes to the kernel: a page fault, a cleared 4 KiB page and its
// bookkeeping for every page that a new buffer touches. Two things cut
// that down:
//  - large blocks are backed by transparent huge pages (one fault per
//    2 MiB), which the kernel gives only to ranges that ask for them;
//  - freed blocks stay in the heap for the next buffer instead of going
//    back to the kernel and being faulted in again.
// This is the tool's own tuning of its process; the filter library does
// not touch the allocator of the host that loads it.
#include "cli/large_buffers.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || \
    __has_feature(thread_sanitizer)
#define IDXFILTER_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define IDXFILTER_SANITIZED 1
#endif

namespace idxfilter::cli {

#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_HUGEPAGE) && !defined(IDXFILTER_SANITIZED)

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Asks for huge pages on the whole 2 MiB extents inside the block; the
// kernel ignores the advice where it cannot follow it.
void AdviseHugePages(void* block, std::size_t size) {
    auto begin = reinterpret_cast<std::uintptr_t>(block);
    std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = std::malloc(size)) {
            if (size >= kHugePage) AdviseHugePages(block, size);
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void TuneAllocatorForLargeBuffers() {
    // Blocks up to glibc's largest mmap threshold come from the heap, and
    // up to 1 GiB of freed heap is kept for reuse rather than returned.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

}  // namespace idxfilter::cli

// Replacements of the global allocation functions: every block still comes
// from malloc and goes back to free, as with the library's defaults, so
// any form of delete matches any form of new.
void* operator new(std::size_t size) { return idxfilter::cli::Allocate(size); }
void* operator new[](std::size_t size) { return idxfilter::cli::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return idxfilter::cli::Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

#else

void TuneAllocatorForLargeBuffers() {}

}  // namespace idxfilter::cli

#endif
