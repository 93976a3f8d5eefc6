#include "script/tables.h"

#include <cstddef>

namespace bq::script {

namespace {

// A fixed open-addressing index over one of the name tables, built once.
// Lookups stay allocation-free; the table itself keeps its search order
// (no table has two rows with the same name).
template <std::size_t N>
class StaticIndex {
 public:
  explicit StaticIndex(const NamedCode (&rows)[N]) : rows_(rows) {
    for (auto& s : slots_) s = -1;
    for (std::size_t r = 0; r < N; ++r) {
      std::size_t i = Hash(rows[r].name) & kMask;
      while (slots_[i] >= 0) i = (i + 1) & kMask;
      slots_[i] = static_cast<int>(r);
    }
  }
  const NamedCode* Find(std::string_view name) const {
    for (std::size_t i = Hash(name) & kMask;; i = (i + 1) & kMask) {
      int r = slots_[i];
      if (r < 0) return nullptr;
      if (rows_[r].name == name) return &rows_[r];
    }
  }

 private:
  static constexpr std::size_t kSize = 256;
  static constexpr std::size_t kMask = kSize - 1;
  static_assert(N * 2 < kSize);
  static std::size_t Hash(std::string_view s) {
    std::size_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h ^ (h >> 11);
  }
  const NamedCode* rows_;
  int slots_[kSize];
};

}  // namespace

std::uint8_t KeywordCode(std::string_view upper) {
  static const StaticIndex index(kKeywords);
  const NamedCode* row = index.Find(upper);
  return row ? row->code : 0;
}

std::uint8_t BuiltinCodeOf(std::string_view upper) {
  static const StaticIndex index(TCmdTable);
  const NamedCode* row = index.Find(upper);
  return row ? row->code : 0;
}

std::string_view BuiltinName(std::uint8_t code) {
  if (code == 0) return {};
  for (const NamedCode& row : TCmdTable)
    if (row.code == code) return row.name;
  return {};
}

}  // namespace bq::script
