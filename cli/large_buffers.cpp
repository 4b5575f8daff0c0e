// The tool holds whole files and their text in memory, several buffers of
// the file's size one after another. On Linux most of the time such a run
// takes goes to the kernel: a page fault, a cleared 4 KiB page and its
// bookkeeping for every page that a new buffer touches. Measured here, a
// transparent huge page (one fault and one clearing for 2 MiB, which the
// kernel gives only to ranges that ask for it) makes fresh memory about
// five times cheaper. So:
//  - blocks of 1 MiB or more get mappings of their own, aligned to 2 MiB
//    and backed by huge pages;
//  - the mapped block freed last, up to 4 MiB, is kept, pages and all,
//    for the next block of 128 KiB or more that it suits (the text's
//    UTF-16 after the file's bytes, a slice buffer after the converter's
//    output): its pages need no faulting in. Any other block of that size
//    first sends it back to the kernel, so that it never adds to what the
//    process holds;
//  - a block's last extent, which it fills only in part, gets a huge page
//    too when it fills at least half of it and the huge pages of all live
//    blocks then hold no more than 1 MiB unused between them (in practice
//    one such extent at a time: the first, usually the file's bytes);
//    otherwise it keeps small pages. Most of a run's time on a file of 1
//    to 2 MiB goes to faulting in its bytes, while a second or third such
//    page (a reserve the text may never fill) would push its peak memory
//    past six times the file's size;
//  - smaller blocks come from the heap, which keeps freed memory for the
//    next buffer instead of returning it and faulting it in again.
// This is the tool's own tuning of its process; the filter library does
// not touch the allocator of the host that loads it.
#include "cli/large_buffers.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
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
constexpr std::size_t kSmallPage = std::size_t{4} << 10;
constexpr std::size_t kMapped = kHugePage / 2;
// Blocks from this size on may take the kept block (below).
constexpr std::size_t kReusable = std::size_t{128} << 10;

struct Mapping {
    void* block = nullptr;
    std::size_t length = 0;
};

void Unmap(const Mapping& mapping) {
    if (mapping.block != nullptr) ::munmap(mapping.block, mapping.length);
}

// The mapped blocks alive, so that delete can tell them from heap blocks,
// and the one kept for reuse. Only a pointer on a 2 MiB boundary is looked
// up; a heap block there is simply not found. When the table is full, new
// blocks come from the heap.
class MappedBlocks {
public:
    // Claims `bytes` of the allowance for huge pages' unused bytes; false
    // when that would exceed it.
    bool ClaimUnused(std::size_t bytes) {
        std::lock_guard<std::mutex> lock(mutex);
        if (bytes > kUnusedAllowance - unused) return false;
        unused += bytes;
        return true;
    }

    void ReleaseUnused(std::size_t bytes) {
        std::lock_guard<std::mutex> lock(mutex);
        unused -= bytes;
    }

    // Records a live block whose huge pages leave `unusedBytes` unused
    // (claimed before); false when the table is full.
    bool Add(void* block, std::size_t length, std::size_t unusedBytes) {
        std::lock_guard<std::mutex> lock(mutex);
        for (Entry& entry : entries) {
            if (entry.block == nullptr) {
                entry = {block, length, unusedBytes};
                return true;
            }
        }
        return false;
    }

    // The length of `block` when it is a mapped block; 0 otherwise.
    std::size_t Find(const void* block) {
        if (reinterpret_cast<std::uintptr_t>(block) % kHugePage != 0) return 0;
        std::lock_guard<std::mutex> lock(mutex);
        for (const Entry& entry : entries)
            if (entry.block == block) return entry.length;
        return 0;
    }

    // A mapped block of up to 4 MiB that is freed is kept, with its pages,
    // for the next allocation it suits; one at a time, the one freed last.
    // Returns false when `block` is not a mapped block. `displaced`
    // receives the block to be unmapped by the caller (claim released):
    // the one kept before, or this one when it is larger.
    bool Keep(void* block, Mapping& displaced) {
        displaced = {};
        if (reinterpret_cast<std::uintptr_t>(block) % kHugePage != 0) return false;
        std::lock_guard<std::mutex> lock(mutex);
        for (Entry& entry : entries) {
            if (entry.block == block) {
                if (entry.length > kKeptAtMost) {
                    // Not kept: unmapped at once, as before keeping began.
                    displaced = {entry.block, entry.length};
                    unused -= entry.unused;
                } else {
                    displaced = TakeKeptLocked();
                    kept = entry;
                }
                entry.block = nullptr;
                return true;
            }
        }
        return false;
    }

    // The kept block, live again, when it holds `size` bytes and leaves no
    // more of them unused than max(size, one huge page): its pages were
    // already in use, so it saves faulting in fresh ones, and the memory it
    // holds beyond the new block stays bounded. nullptr otherwise.
    void* Reuse(std::size_t size) {
        std::lock_guard<std::mutex> lock(mutex);
        if (kept.block == nullptr || kept.length < size || kept.length - size > std::max(size, kHugePage))
            return nullptr;
        for (Entry& entry : entries) {
            if (entry.block == nullptr) {
                entry = kept;
                kept = {};
                return entry.block;
            }
        }
        return nullptr;
    }

    // Forgets the kept block and returns it, to be unmapped by the caller.
    Mapping TakeKept() {
        std::lock_guard<std::mutex> lock(mutex);
        return TakeKeptLocked();
    }

private:
    static constexpr std::size_t kUnusedAllowance = kHugePage / 2;
    // Larger blocks are not kept: at that size faulting in fresh pages
    // costs little beside the work on them, while a kept block would hold
    // megabytes beside whatever the heap takes meanwhile.
    static constexpr std::size_t kKeptAtMost = 2 * kHugePage;

    struct Entry {
        void* block = nullptr;
        std::size_t length = 0;
        std::size_t unused = 0;
    };

    Mapping TakeKeptLocked() {
        Mapping mapping{kept.block, kept.length};
        unused -= kept.unused;
        kept = {};
        return mapping;
    }

    std::mutex mutex;
    std::size_t unused = 0;
    Entry entries[256];
    Entry kept;
};

MappedBlocks& Mapped() {
    static MappedBlocks blocks;
    return blocks;
}

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

// The bytes of the last huge page that a block of `size` leaves unused when
// that extent is given a huge page, or 0 when it keeps small pages: less
// than half filled, or over the allowance.
std::size_t UnusedOfLastHugePage(std::size_t size) {
    std::size_t tail = size % kHugePage;
    if (tail == 0 || tail < kHugePage / 2) return 0;
    std::size_t unused = RoundUp(size, kHugePage) - RoundUp(size, kSmallPage);
    return Mapped().ClaimUnused(unused) ? unused : 0;
}

void* MapOnHugePages(std::size_t size) {
    if (size > SIZE_MAX / 2) return nullptr;
    std::size_t unused = UnusedOfLastHugePage(size);
    std::size_t length = RoundUp(size, kSmallPage) + unused;
    // Mapped with a huge page to spare, then trimmed to a 2 MiB boundary.
    void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        Mapped().ReleaseUnused(unused);
        return nullptr;
    }
    auto start = reinterpret_cast<std::uintptr_t>(raw);
    std::uintptr_t aligned = RoundUp(start, kHugePage);
    if (aligned > start) ::munmap(raw, aligned - start);
    std::uintptr_t end = start + length + kHugePage;
    if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    void* block = reinterpret_cast<void*>(aligned);
    // The kernel ignores the advice where it cannot follow it.
    ::madvise(block, length / kHugePage * kHugePage, MADV_HUGEPAGE);
    if (!Mapped().Add(block, length, unused)) {
        ::munmap(block, length);
        Mapped().ReleaseUnused(unused);
        return std::malloc(size);
    }
    return block;
}

void* AllocateOnce(std::size_t size) {
    if (size >= kReusable) {
        if (void* block = Mapped().Reuse(size)) return block;
        // A kept block that does not suit goes before the new one takes
        // fresh memory, so that the two never hold memory at once.
        Unmap(Mapped().TakeKept());
    }
    return size < kMapped ? std::malloc(size) : MapOnHugePages(size);
}

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = AllocateOnce(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void Free(void* block) {
    if (block == nullptr) return;
    Mapping displaced;
    if (Mapped().Keep(block, displaced)) {
        Unmap(displaced);
        return;
    }
    std::free(block);
}

}  // namespace

void TuneAllocatorForLargeBuffers() {
    // Smaller blocks all come from the heap (glibc would map those from
    // 128 KiB on by themselves and fault them in afresh every time), and
    // up to 1 GiB of freed heap is kept for reuse rather than returned.
    ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMapped));
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    Mapped();
}

bool MapsLargeBlocks() { return true; }

std::size_t MappingLength(const void* block) { return Mapped().Find(block); }

}  // namespace idxfilter::cli

// Replacements of the global allocation functions: every block comes from
// Allocate and goes back to Free, so any form of delete matches any form
// of new.
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
void operator delete(void* block) noexcept { idxfilter::cli::Free(block); }
void operator delete[](void* block) noexcept { idxfilter::cli::Free(block); }
void operator delete(void* block, std::size_t) noexcept { idxfilter::cli::Free(block); }
void operator delete[](void* block, std::size_t) noexcept { idxfilter::cli::Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { idxfilter::cli::Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { idxfilter::cli::Free(block); }

#else

void TuneAllocatorForLargeBuffers() {}

bool MapsLargeBlocks() { return false; }

std::size_t MappingLength(const void*) { return 0; }

}  // namespace idxfilter::cli

#endif
