// Memory with an inaccessible page on each side, for tests that must see a
// read or write outside an object fail at once, with or without a
// sanitizer: data placed to end where the high guard begins (or to start
// where the low guard ends) cannot be overrun unnoticed.
#pragma once

#include <cstddef>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace idxfilter::testing {

class GuardedPages {
public:
    explicit GuardedPages(std::size_t bytes) {
        page = PageSize();
        usable = (bytes + page - 1) / page * page;
        if (usable == 0) usable = page;
        std::size_t total = usable + 2 * page;
#if defined(_WIN32)
        base = static_cast<char*>(VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
        DWORD old;
        if (base == nullptr || !VirtualProtect(base + page, usable, PAGE_READWRITE, &old)) std::abort();
#else
        void* mapped = mmap(nullptr, total, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) std::abort();
        base = static_cast<char*>(mapped);
        if (mprotect(base + page, usable, PROT_READ | PROT_WRITE) != 0) std::abort();
#endif
    }
    GuardedPages(const GuardedPages&) = delete;
    GuardedPages& operator=(const GuardedPages&) = delete;
    ~GuardedPages() {
#if defined(_WIN32)
        VirtualFree(base, 0, MEM_RELEASE);
#else
        munmap(base, usable + 2 * page);
#endif
    }

    std::size_t size() const { return usable; }
    char* begin() const { return base + page; }
    char* end() const { return base + page + usable; }

    // `count` objects of T that end `gap` objects before the high guard.
    template <typename T>
    T* AtEnd(std::size_t count, std::size_t gap = 0) const {
        return reinterpret_cast<T*>(end()) - count - gap;
    }
    // `count` objects of T that start `gap` objects after the low guard.
    template <typename T>
    T* AtStart(std::size_t gap = 0) const {
        return reinterpret_cast<T*>(begin()) + gap;
    }

private:
    static std::size_t PageSize() {
#if defined(_WIN32)
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return info.dwPageSize;
#else
        return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
    }

    char* base = nullptr;
    std::size_t page = 0;
    std::size_t usable = 0;
};

}  // namespace idxfilter::testing
