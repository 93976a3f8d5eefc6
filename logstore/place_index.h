#pragma once
// Every article's value of one field with its place in the list, sorted by
// value: the first and the last place holding a value are found by
// bisection. Built with two counting passes over the 16-bit halves of the
// values (a radix sort), which keeps the places of equal values in list
// order, in a few sequential sweeps rather than a hash insert per article.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "logstore/article_store.h"

namespace bq {

// Sorts entries by their high 32 bits, keeping the order of equal ones: two
// counting passes over 16-bit digits.
inline void StableSortByHigh32(ArticleArray<std::uint64_t>& entries) {
  ArticleArray<std::uint64_t> other(entries.size());
  auto pass = [](const ArticleArray<std::uint64_t>& from, ArticleArray<std::uint64_t>& to, int shift) {
    std::vector<std::size_t> start(65537, 0);
    for (std::uint64_t e : from) ++start[((e >> shift) & 0xFFFF) + 1];
    for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
    for (std::uint64_t e : from) to[start[(e >> shift) & 0xFFFF]++] = e;
  };
  pass(entries, other, 32);
  pass(other, entries, 48);
}

class PlaceIndex {
 public:
  // value(i) for each place 0..count-1.
  template <typename Value>
  void Build(std::size_t count, Value value) {
    entries_.resize(count);
    for (std::size_t i = 0; i < count; ++i) entries_[i] = static_cast<std::uint64_t>(value(i)) << 32 | i;
    StableSortByHigh32(entries_);
  }
  // -1 when no place holds the value.
  int First(std::uint32_t v) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), static_cast<std::uint64_t>(v) << 32);
    return it != entries_.end() && (*it >> 32) == v ? static_cast<int>(*it & 0xFFFFFFFFu) : -1;
  }
  int Last(std::uint32_t v) const {
    auto it = std::upper_bound(entries_.begin(), entries_.end(), static_cast<std::uint64_t>(v) << 32 | 0xFFFFFFFFu);
    return it != entries_.begin() && (*(it - 1) >> 32) == v ? static_cast<int>(*(it - 1) & 0xFFFFFFFFu) : -1;
  }
  void Clear() { entries_ = {}; }

 private:
  ArticleArray<std::uint64_t> entries_;
};

}  // namespace bq
