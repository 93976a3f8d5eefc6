#include "platform/pages.h"

#include <sys/mman.h>

namespace bq {
namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kLargePage = 2u << 20;

std::size_t Rounded(std::size_t n) { return (n + kPage - 1) / kPage * kPage; }

}  // namespace

void* AllocatePages(std::size_t bytes) {
  const std::size_t size = Rounded(bytes);
  if (size == 0) return nullptr;
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  if (size >= kLargePage) ::madvise(p, size, MADV_HUGEPAGE);
  return p;
}

void FreePages(void* p, std::size_t bytes) {
  if (p) ::munmap(p, Rounded(bytes));
}

std::size_t TrimPages(void* p, std::size_t bytes, std::size_t keep) {
  const std::size_t held = Rounded(bytes), kept = Rounded(keep);
  if (p && kept < held) ::munmap(static_cast<char*>(p) + kept, held - kept);
  return kept;
}

}  // namespace bq
