// The tag action table and its default contents.
#include <array>

#include "textlib/html.h"

namespace bq {
namespace {

struct DefaultRow {
  std::string_view tags;
  unsigned char open;
  unsigned char close;
};

// Filled in this order; a later list replaces the codes of a key already
// present, so UL ends with 32/32 (no action) although the P list gives 3/3.
constexpr std::array<DefaultRow, 13> kDefaultRows{{
    {"H1:H2:H3:H4:H5:H6:H7:TR:DIV", kTagNothing, kTagBreak},
    {":TABLE:", kTagTable, kTagTable},
    {":PRE:", kTagPre, kTagPre},
    {":P:UL:DL:DIR:BLOCKQUOTE:", kTagBreak, kTagBreak},
    {":SCRIPT:SELECT:", kTagSuppress, kTagSuppress},
    {":BODY:", kTagDiscard, kTagNothing},
    {":OL:", kTagNumberedList, kTagNumberedList},
    {":UL:", 32, 32},
    {":LI:", kTagListItem, kTagListItem},
    {":DT:DD:", kTagBreak, kTagNothing},
    {":BR:", kTagBr, kTagNothing},
    {":HR:", kTagHr, kTagNothing},
    {":TD:TH:", kTagNothing, kTagCell},
}};

unsigned char CodeByte(long code) {
  if (code < 0 || code > 255) return kTagNothing;
  return static_cast<unsigned char>(code);
}

}  // namespace

TagActionTable::TagActionTable() { Reset(); }

void TagActionTable::Clear() {
  entries_.clear();
  index_.clear();
  longest_key_ = 0;
}

void TagActionTable::Reset() {
  Clear();
  for (const auto& row : kDefaultRows) Set(row.tags, row.open, row.close);
}

// The list is split at ':'; one leading ':' is dropped rather than read as an
// empty name, and the first empty piece ends the list.
void TagActionTable::Set(std::string_view tags, long open, long close) {
  if (!tags.empty() && tags.front() == ':') tags.remove_prefix(1);
  while (!tags.empty()) {
    std::size_t colon = tags.find(':');
    std::string_view name = tags.substr(0, colon);
    if (name.empty()) break;
    std::string key(name.size() + 2, ':');
    name.copy(key.data() + 1, name.size());
    SetKey(std::move(key), CodeByte(open), CodeByte(close));
    if (colon == std::string_view::npos) break;
    tags.remove_prefix(colon + 1);
  }
}

void TagActionTable::SetKey(std::string key, unsigned char open, unsigned char close) {
  auto it = index_.find(key);
  if (it != index_.end()) {
    entries_[it->second].open = open;
    entries_[it->second].close = close;
    return;
  }
  longest_key_ = std::max(longest_key_, key.size());
  index_.emplace(key, entries_.size());
  entries_.push_back({std::move(key), open, close});
}

const TagAction* TagActionTable::Find(std::string_view key) const {
  auto it = index_.find(key);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

}  // namespace bq
