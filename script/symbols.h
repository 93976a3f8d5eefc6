#pragma once
// The two tables that compiler and machine share besides the code image:
// the symbol table (variables, procedures, functions, clip-pattern
// definitions) and the string pool (every literal and name the code refers
// to by index). Both keep insertion order and are only emptied by a reset;
// lookups go through small open-addressing hash indexes so a long script
// compiles in linear time.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq::script {

// Symbol kinds.
namespace sym {
inline constexpr std::uint8_t kVariable = 3;
inline constexpr std::uint8_t kFunction = 4;   // FUNCDEF
inline constexpr std::uint8_t kProcedure = 5;  // PROCDEF
inline constexpr std::uint8_t kClipPattern = 8;
}  // namespace sym

// A set of symbol kinds (0-15) as a bit mask.
using KindSet = std::uint16_t;
constexpr KindSet Kinds(std::uint8_t k) { return static_cast<KindSet>(1u << (k & 15)); }
constexpr KindSet Kinds(std::uint8_t a, std::uint8_t b) { return static_cast<KindSet>(Kinds(a) | Kinds(b)); }

struct TSymbol {
  std::uint8_t Kind = 0;
  std::string Name;         // upper-cased
  std::int32_t Scope = 0;   // -1 system variables and clip patterns, 0 the script's own
  std::int32_t Value = 0;   // slot, entry address, or pool index of the name
};

// Open-addressing index from a name to a table position; the owner supplies
// the names by position.
class TNameIndex {
 public:
  void Clear();
  // Position stored under name, or -1. nameAt(pos) gives a stored name.
  template <class NameAt>
  std::int32_t Find(std::string_view name, NameAt nameAt) const;
  template <class NameAt>
  void Insert(std::string_view name, std::int32_t pos, NameAt nameAt);

 private:
  static std::size_t Hash(std::string_view s);
  template <class NameAt>
  void Grow(NameAt nameAt);
  std::vector<std::int32_t> slots_;
  std::size_t used_ = 0;
};

class TStringPool {
 public:
  TStringPool() { Reset(); }
  // Back to the one reserved empty entry at index 0.
  void Reset();
  // Index of an identical string (exact bytes), appended when new.
  std::int32_t Add(std::string_view text);
  // Index of an identical string, or -1.
  std::int32_t Find(std::string_view text) const;
  // Entry i; the empty text (the reserved entry 0) for an index outside
  // the pool.
  const std::string& operator[](std::int32_t i) const {
    return strings_[static_cast<std::uint32_t>(i) < strings_.size() ? static_cast<std::size_t>(i) : 0];
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(strings_.size()); }

 private:
  std::vector<std::string> strings_;
  TNameIndex index_;
};

// The 18 system variables, slots 0-17, added by every reset in this order.
inline constexpr std::string_view kSystemVariables[] = {
    "_", "@", "!", "$", "*", "?", "^", "%URL%", "%SEQ%", "%LASTDATE%", "%ROUND%",
    "%USER%", "%PASS%", "%NAME%", "%DPASS%", "%HOME%", "%MAIL%", "%REFERER%"};
inline constexpr int kSystemVariableCount = static_cast<int>(std::size(kSystemVariables));
static_assert(kSystemVariableCount == 18);
// Slot of the system variable '!' that receives item counts.
inline constexpr std::int32_t kCountSlot = 2;

class TSymbolTable {
 public:
  TSymbolTable() { Reset(); }
  // Empties the table (slot counter 0) and adds the 18 system variables.
  void Reset();

  // First entry with this name, a kind in the set, and a negative scope or
  // the given one; -1 if none. The name must already be upper-cased.
  std::int32_t Find(std::string_view upperName, KindSet kinds, std::int32_t scope) const;
  // Value of that entry, or -1.
  std::int32_t FindValue(std::string_view upperName, KindSet kinds, std::int32_t scope) const;
  // Upper-cases the name; returns the Value of an existing entry of that
  // kind, or appends one: kinds 4/5 take value, kind 3 a fresh slot, kind 8
  // the pool index of the name.
  std::int32_t Add(std::string_view name, std::uint8_t kind, std::int32_t scope, std::int32_t value,
                   TStringPool& pool);
  // First entry with a kind in the set and this value; -1 if none.
  std::int32_t FindByValue(KindSet kinds, std::int32_t value) const;

  const TSymbol& operator[](std::int32_t i) const { return symbols_[static_cast<std::size_t>(i)]; }
  std::int32_t Count() const { return static_cast<std::int32_t>(symbols_.size()); }
  // Number of variable slots handed out so far.
  std::int32_t SlotCount() const { return slots_; }
  // Name of the variable in slot, or nullptr.
  const std::string* VariableName(std::int32_t slot) const;
  bool IsSystemSlot(std::int32_t slot) const { return slot >= 0 && slot < kSystemVariableCount; }

 private:
  std::vector<TSymbol> symbols_;
  std::vector<std::int32_t> nextSameName_;   // chain of entries sharing a name, in order
  std::vector<std::int32_t> lastSameName_;   // per chain head: its last entry
  std::vector<std::int32_t> slotSymbol_;     // variable slot -> symbol index
  TNameIndex index_;                         // name -> first entry
  std::int32_t slots_ = 0;
  mutable std::string upper_;                // scratch for Add
};

template <class NameAt>
std::int32_t TNameIndex::Find(std::string_view name, NameAt nameAt) const {
  if (slots_.empty()) return -1;
  std::size_t mask = slots_.size() - 1;
  for (std::size_t i = Hash(name) & mask;; i = (i + 1) & mask) {
    std::int32_t pos = slots_[i];
    if (pos < 0) return -1;
    if (nameAt(pos) == name) return pos;
  }
}

template <class NameAt>
void TNameIndex::Insert(std::string_view name, std::int32_t pos, NameAt nameAt) {
  if ((used_ + 1) * 2 > slots_.size()) Grow(nameAt);
  std::size_t mask = slots_.size() - 1;
  std::size_t i = Hash(name) & mask;
  while (slots_[i] >= 0) i = (i + 1) & mask;
  slots_[i] = pos;
  ++used_;
}

template <class NameAt>
void TNameIndex::Grow(NameAt nameAt) {
  std::vector<std::int32_t> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 128 : old.size() * 2, -1);
  std::size_t mask = slots_.size() - 1;
  for (std::int32_t pos : old) {
    if (pos < 0) continue;
    std::size_t i = Hash(nameAt(pos)) & mask;
    while (slots_[i] >= 0) i = (i + 1) & mask;
    slots_[i] = pos;
  }
}

}  // namespace bq::script
