#include "script/symbols.h"

#include <algorithm>

#include "textlib/cp932.h"

namespace bq::script {

void TNameIndex::Clear() {
  std::fill(slots_.begin(), slots_.end(), -1);
  used_ = 0;
}

std::size_t TNameIndex::Hash(std::string_view s) {
  std::size_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h ^ (h >> 29);
}

void TStringPool::Reset() {
  strings_.clear();
  strings_.reserve(256);
  index_.Clear();
  strings_.emplace_back();
}

std::int32_t TStringPool::Find(std::string_view text) const {
  if (text.empty()) return 0;
  return index_.Find(text, [this](std::int32_t i) -> std::string_view { return strings_[static_cast<std::size_t>(i)]; });
}

std::int32_t TStringPool::Add(std::string_view text) {
  std::int32_t found = Find(text);
  if (found >= 0) return found;
  auto nameAt = [this](std::int32_t i) -> std::string_view { return strings_[static_cast<std::size_t>(i)]; };
  strings_.emplace_back(text);
  std::int32_t pos = Count() - 1;
  index_.Insert(text, pos, nameAt);
  return pos;
}

void TSymbolTable::Reset() {
  symbols_.clear();
  nextSameName_.clear();
  lastSameName_.clear();
  slotSymbol_.clear();
  symbols_.reserve(128);
  nextSameName_.reserve(128);
  lastSameName_.reserve(128);
  slotSymbol_.reserve(128);
  index_.Clear();
  slots_ = 0;
  TStringPool unused;
  for (std::string_view name : kSystemVariables) {
    std::int32_t slot = Add(name, sym::kVariable, 0, 0, unused);
    symbols_.back().Scope = -1;
    (void)slot;
  }
}

std::int32_t TSymbolTable::Find(std::string_view upperName, KindSet kinds, std::int32_t scope) const {
  auto nameAt = [this](std::int32_t i) -> std::string_view { return symbols_[static_cast<std::size_t>(i)].Name; };
  for (std::int32_t i = index_.Find(upperName, nameAt); i >= 0; i = nextSameName_[static_cast<std::size_t>(i)]) {
    const TSymbol& s = symbols_[static_cast<std::size_t>(i)];
    if ((Kinds(s.Kind) & kinds) && s.Kind < 16 && (s.Scope < 0 || s.Scope == scope)) return i;
  }
  return -1;
}

std::int32_t TSymbolTable::FindValue(std::string_view upperName, KindSet kinds, std::int32_t scope) const {
  std::int32_t i = Find(upperName, kinds, scope);
  return i < 0 ? -1 : symbols_[static_cast<std::size_t>(i)].Value;
}

std::int32_t TSymbolTable::Add(std::string_view name, std::uint8_t kind, std::int32_t scope, std::int32_t value,
                               TStringPool& pool) {
  upper_.assign(name);
  for (char& c : upper_)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  // Lead bytes are never cased, but an ASCII trail byte must not be either.
  for (std::size_t i = 0; i + 1 < name.size(); ++i)
    if (IsLeadByte(static_cast<unsigned char>(name[i]))) {
      upper_[i + 1] = name[i + 1];
      ++i;
    }
  std::int32_t found = Find(upper_, Kinds(kind), scope);
  if (found >= 0) return symbols_[static_cast<std::size_t>(found)].Value;
  TSymbol s;
  s.Kind = kind;
  s.Name = upper_;
  s.Scope = scope;
  if (kind == sym::kVariable) {
    value = slots_++;
    slotSymbol_.push_back(Count());
  } else if (kind == sym::kClipPattern) {
    value = pool.Add(upper_);
  }
  s.Value = value;
  std::int32_t pos = Count();
  symbols_.push_back(std::move(s));
  nextSameName_.push_back(-1);
  lastSameName_.push_back(pos);
  auto nameAt = [this](std::int32_t i) -> std::string_view { return symbols_[static_cast<std::size_t>(i)].Name; };
  std::int32_t head = index_.Find(upper_, nameAt);
  if (head < 0) {
    index_.Insert(upper_, pos, nameAt);
  } else {
    std::int32_t& last = lastSameName_[static_cast<std::size_t>(head)];
    nextSameName_[static_cast<std::size_t>(last)] = pos;
    last = pos;
  }
  return value;
}

std::int32_t TSymbolTable::FindByValue(KindSet kinds, std::int32_t value) const {
  if (kinds == Kinds(sym::kVariable)) {
    const std::string* n = VariableName(value);
    if (!n) return -1;
    return slotSymbol_[static_cast<std::size_t>(value)];
  }
  for (std::int32_t i = 0; i < Count(); ++i) {
    const TSymbol& s = symbols_[static_cast<std::size_t>(i)];
    if ((Kinds(s.Kind) & kinds) && s.Kind < 16 && s.Value == value) return i;
  }
  return -1;
}

const std::string* TSymbolTable::VariableName(std::int32_t slot) const {
  if (slot < 0 || slot >= static_cast<std::int32_t>(slotSymbol_.size())) return nullptr;
  return &symbols_[static_cast<std::size_t>(slotSymbol_[static_cast<std::size_t>(slot)])].Name;
}

}  // namespace bq::script
