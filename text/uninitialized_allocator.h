// An allocator whose value-initialising construct leaves trivial elements
// uninitialised, so that resize() on a buffer about to be overwritten
// whole does not first fill it with zeros.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace idxfilter {

template <typename T>
class UninitializedAllocator : public std::allocator<T> {
public:
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };

    UninitializedAllocator() noexcept = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

}  // namespace idxfilter
