#pragma once
// Memory for the few very large arrays of the program (a log of a million
// articles read whole, its records): pages of their own, in large pages
// where the system allows, so filling them costs a few hundred page faults
// rather than a hundred thousand, and freeing them gives them back at once.
#include <cstddef>
#include <new>

namespace bq {

// Below this an allocation goes to the heap.
inline constexpr std::size_t kPageAllocationMin = 1u << 20;

// Zero-filled pages; throws std::bad_alloc.
void* AllocatePages(std::size_t bytes);
void FreePages(void* p, std::size_t bytes);
// Gives back the whole pages from keep on; returns the bytes still held.
std::size_t TrimPages(void* p, std::size_t bytes, std::size_t keep);

template <typename T>
struct PageAllocator {
  using value_type = T;
  PageAllocator() = default;
  template <typename U>
  PageAllocator(const PageAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kPageAllocationMin) return static_cast<T*>(::operator new(bytes));
    return static_cast<T*>(AllocatePages(bytes));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kPageAllocationMin) {
      ::operator delete(p);
    } else {
      FreePages(p, bytes);
    }
  }
  template <typename U>
  bool operator==(const PageAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace bq
