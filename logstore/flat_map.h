#pragma once
// A map from 32-bit keys to 32-bit values with open addressing in one array:
// the lookups the thread layout and the tree titles make a million times.
// The smallest int32 is no value: it marks a free slot.
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/pages.h"

namespace bq {

class FlatMap {
 public:
  explicit FlatMap(std::size_t expected = 0) { Reserve(expected); }
  // The value for key, inserted as `fresh` when missing.
  std::int32_t& Slot(std::uint32_t key, std::int32_t fresh);
  // nullptr when missing.
  const std::int32_t* Find(std::uint32_t key) const;
  std::size_t Size() const { return size_; }

 private:
  static constexpr std::int32_t kFree = std::numeric_limits<std::int32_t>::min();
  struct Entry {
    std::uint32_t key = 0;
    std::int32_t value = kFree;
  };
  void Reserve(std::size_t expected);
  static std::size_t Hash(std::uint32_t key) { return (key * 0x9E3779B1u) ^ (key >> 16); }

  std::vector<Entry, PageAllocator<Entry>> entries_;
  std::size_t size_ = 0;
  std::size_t mask_ = 0;
};

inline void FlatMap::Reserve(std::size_t expected) {
  std::size_t capacity = 16;
  while (capacity < expected * 2) capacity *= 2;
  std::vector<Entry, PageAllocator<Entry>> old;
  old.swap(entries_);
  entries_.assign(capacity, Entry{});
  mask_ = capacity - 1;
  size_ = 0;
  for (const Entry& e : old)
    if (e.value != kFree) Slot(e.key, e.value);
}

inline std::int32_t& FlatMap::Slot(std::uint32_t key, std::int32_t fresh) {
  if ((size_ + 1) * 2 > entries_.size()) Reserve(size_ + 1);
  std::size_t s = Hash(key) & mask_;
  while (entries_[s].value != kFree) {
    if (entries_[s].key == key) return entries_[s].value;
    s = (s + 1) & mask_;
  }
  entries_[s] = {key, fresh};
  ++size_;
  return entries_[s].value;
}

inline const std::int32_t* FlatMap::Find(std::uint32_t key) const {
  if (entries_.empty()) return nullptr;
  for (std::size_t s = Hash(key) & mask_; entries_[s].value != kFree; s = (s + 1) & mask_)
    if (entries_[s].key == key) return &entries_[s].value;
  return nullptr;
}

}  // namespace bq
