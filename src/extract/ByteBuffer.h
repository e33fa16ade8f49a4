#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tillery {

// An allocator whose new elements are left uninitialised (default-initialised) rather than
// zeroed: a buffer made large at once then touches its pages only as they are written,
// and a run of a short log does not fill megabytes it never uses.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U>& /*other*/) noexcept
    {
    }
    template <typename U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

// Bytes of an output or hand-over buffer: sized at once, filled as rows are made.
using ByteBuffer = std::vector<char, UninitialisedAllocator<char>>;

}  // namespace tillery
