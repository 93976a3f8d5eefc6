#include "logstore/article_store.h"

#include <algorithm>
#include <cstring>

#include "logstore/log_file.h"

namespace bq {
namespace {

constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr std::size_t kArenaBlock = 256u << 10;

static_assert(sizeof(TArticleStore::Record) <= 72, "a record stays small: a million of them are opened at once");

}  // namespace

ArticleView TArticleStore::Record::View() const {
  ArticleView v;
  v.Depth = Depth;
  v.ThreadKey = ThreadKey;
  v.Selected = Selected;
  v.TOPIC = TOPIC;
  v.REFER = REFER;
  v.RESERVED = RESERVED;
  v.DATE = DATE;
  v.Unread = Unread;
  std::string_view* texts[kTextFields] = {&v.TITLE, &v.AUTHOR, &v.MAILTO, &v.HP,  &v.PAGEURL,
                                          &v.BODY,  &v.HEAD,   &v.HOST,   &v.LINK};
  for (int f = 0; f < kTextFields; ++f) *texts[f] = Text(f);
  return v;
}

void TArticleStore::Clear() { *this = TArticleStore(); }

void TArticleStore::Load(fs::ByteBlock file, const LinkConverter& convertLink) {
  Clear();
  file_ = std::move(file);
  char* data = file_.data();
  const std::size_t size = file_.size();
  // About one record per line, as many lines as the first megabytes
  // promise, and some room: the reserve that is never used is never touched
  // and so costs no memory, while growing would copy every record.
  const std::size_t sample = std::min<std::size_t>(size, 4u << 20);
  const std::size_t sampled = static_cast<std::size_t>(std::count(data, data + sample, '\n')) + 1;
  records_.reserve(sampled * (size / std::max<std::size_t>(sample, 1) + 1) * 5 / 4 + 16);
  LogDecoder decoder(data, size);
  DecodedLine d;
  std::string link;
  auto finish = [&] {
    // The bytes after the decoded texts go back to the system.
    file_.Shrink(static_cast<std::size_t>(decoder.WriteEnd() - data));
    order_.resize(records_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
  };
  try {
    while (decoder.Next(d)) {
      Record r;
      r.TOPIC = d.TOPIC;
      r.RESERVED = d.RESERVED;
      r.Unread = d.Unread;
      r.REFER = d.REFER;
      r.DATE = d.DATE;
      r.text = d.text;
      std::copy(std::begin(d.end), std::end(d.end), std::begin(r.end));
      const std::uint32_t linkStart = d.end[kLink - 1];
      if (d.end[kLink] > linkStart &&
          convertLink(std::string_view(d.text + linkStart, d.end[kLink] - linkStart), link)) {
        if (d.text + linkStart + link.size() <= d.room) {
          // The converted link fits where the line stood.
          std::memcpy(d.text + linkStart, link.data(), link.size());
          r.end[kLink] = linkStart + static_cast<std::uint32_t>(link.size());
          decoder.SetWriteEnd(d.text + r.end[kLink]);
        } else {
          std::string_view texts[kTextFields];
          for (int f = 0; f < kLink; ++f) texts[f] = r.Text(f);
          texts[kLink] = link;
          r.text = StoreTexts(texts, r.end);
          decoder.SetWriteEnd(d.text);
        }
      }
      records_.push_back(r);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

const char* TArticleStore::StoreTexts(const std::string_view (&texts)[kTextFields],
                                      std::uint32_t (&end)[kTextFields]) {
  std::size_t total = 0;
  for (const auto& t : texts) total += t.size();
  if (total == 0) {
    std::fill(std::begin(end), std::end(end), 0u);
    return nullptr;
  }
  if (arenaSize_ - arenaUsed_ < total) {
    arenaSize_ = std::max(total, kArenaBlock);
    arena_.push_back(std::make_unique_for_overwrite<char[]>(arenaSize_));
    arenaUsed_ = 0;
  }
  char* start = arena_.back().get() + arenaUsed_;
  std::size_t at = 0;
  for (int f = 0; f < kTextFields; ++f) {
    if (!texts[f].empty()) std::memcpy(start + at, texts[f].data(), texts[f].size());
    at += texts[f].size();
    end[f] = static_cast<std::uint32_t>(at);
  }
  arenaUsed_ += total;
  return start;
}

namespace {

void CopyNumbers(TArticleStore::Record& r, const TDataInfo& a) {
  r.TOPIC = a.TOPIC;
  r.REFER = a.REFER;
  r.RESERVED = a.RESERVED;
  r.DATE = a.DATE;
  r.Unread = a.Unread;
  r.ThreadKey = a.ThreadKey;
}

void TextsOf(const TDataInfo& a, std::string_view (&texts)[kTextFields]) {
  const std::string* s[kTextFields] = {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL,
                                       &a.BODY,  &a.HEAD,   &a.HOST,   &a.LINK};
  for (int f = 0; f < kTextFields; ++f) texts[f] = *s[f];
}

void TextsOf(const TArticleStore::Record& r, std::string_view (&texts)[kTextFields]) {
  for (int f = 0; f < kTextFields; ++f) texts[f] = r.Text(f);
}

}  // namespace

std::uint32_t TArticleStore::Append(const TDataInfo& a, std::uint8_t changes) {
  Record r;
  CopyNumbers(r, a);
  std::string_view texts[kTextFields];
  TextsOf(a, texts);
  return Push(r, texts, changes);
}

std::uint32_t TArticleStore::Append(const Record& from, std::uint8_t changes) {
  Record r = from;
  r.Selected = false;
  r.Depth = 0;
  std::string_view texts[kTextFields];
  TextsOf(from, texts);
  return Push(r, texts, changes);
}

std::uint32_t TArticleStore::Push(Record r, const std::string_view (&texts)[kTextFields], std::uint8_t changes) {
  r.text = StoreTexts(texts, r.end);
  r.live = true;
  r.changes = changes;
  const auto id = static_cast<std::uint32_t>(records_.size());
  records_.push_back(r);
  if (positionsValid_) positions_.push_back(static_cast<std::uint32_t>(order_.size()));
  order_.push_back(id);
  IndexAdd(id);
  return id;
}

void TArticleStore::Replace(std::uint32_t id, const TDataInfo& a) {
  Record& r = records_[id];
  CopyNumbers(r, a);
  std::string_view texts[kTextFields];
  TextsOf(a, texts);
  r.text = StoreTexts(texts, r.end);
}

void TArticleStore::Replace(std::uint32_t id, const Record& from) {
  Record& r = records_[id];
  std::string_view texts[kTextFields];
  TextsOf(from, texts);
  r.TOPIC = from.TOPIC;
  r.REFER = from.REFER;
  r.RESERVED = from.RESERVED;
  r.DATE = from.DATE;
  r.Unread = from.Unread;
  r.text = StoreTexts(texts, r.end);
}

bool TArticleStore::EraseIf(const std::function<bool(const Record&)>& drop) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    Record& r = records_[order_[i]];
    if (drop(r)) {
      r.live = false;
      r.Selected = false;
      r.changes |= kDeleted;
    } else {
      order_[kept++] = order_[i];
    }
  }
  if (kept == order_.size()) return false;
  order_.resize(kept);
  positionsValid_ = false;
  return true;
}

void TArticleStore::SetOrder(IdList order) {
  order_ = std::move(order);
  positionsValid_ = false;
}

void TArticleStore::ForgetChanges() {
  for (Record& r : records_) r.changes = 0;
}

bool TArticleStore::HasChanges() const {
  return std::any_of(records_.begin(), records_.end(), [](const Record& r) { return r.changes != 0; });
}

// ---- the identity index ----

void TArticleStore::IndexAdd(std::uint32_t id) {
  if (!indexValid_) return;
  if ((records_.size()) * 2 > slots_.size()) {
    indexValid_ = false;  // rebuilt larger at the next lookup
    return;
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = ArticleKeyHash()(records_[id].Key()) & mask;
  while (slots_[s] != kEmptySlot) s = (s + 1) & mask;
  slots_[s] = id;
}

void TArticleStore::BuildIndex() const {
  std::size_t capacity = 16;
  while (capacity < records_.size() * 4) capacity *= 2;
  slots_.assign(capacity, kEmptySlot);
  const std::size_t mask = capacity - 1;
  for (std::uint32_t id = 0; id < records_.size(); ++id) {
    std::size_t s = ArticleKeyHash()(records_[id].Key()) & mask;
    while (slots_[s] != kEmptySlot) s = (s + 1) & mask;
    slots_[s] = id;
  }
  indexValid_ = true;
}

void TArticleStore::ForEachWithKey(const ArticleKey& key, const std::function<void(std::uint32_t id)>& visit) const {
  if (!indexValid_) BuildIndex();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = ArticleKeyHash()(key) & mask; slots_[s] != kEmptySlot; s = (s + 1) & mask) {
    const Record& r = records_[slots_[s]];
    if (r.live && r.Key() == key) visit(slots_[s]);
  }
}

void TArticleStore::BuildPositions() const {
  positions_.assign(records_.size(), kEmptySlot);
  for (std::size_t i = 0; i < order_.size(); ++i) positions_[order_[i]] = static_cast<std::uint32_t>(i);
  positionsValid_ = true;
}

int TArticleStore::IndexOf(std::uint32_t id) const {
  if (id >= records_.size() || !records_[id].live) return -1;
  if (!positionsValid_) BuildPositions();
  return static_cast<int>(positions_[id]);
}

int TArticleStore::FindKey(const ArticleKey& key) const {
  int best = -1;
  ForEachWithKey(key, [&](std::uint32_t id) {
    const int at = IndexOf(id);
    if (best < 0 || at < best) best = at;
  });
  return best;
}

}  // namespace bq
