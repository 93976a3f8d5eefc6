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

void TArticleStore::Clear() { *this = TArticleStore(); }

void TArticleStore::Load(fs::ByteBlock file, LinkConverter convertLink) {
  Clear();
  file_ = std::move(file);
  convertLink_ = std::move(convertLink);
  char* data = file_.data();
  const std::size_t size = file_.size();
  // About one record per line, as many lines as the first megabytes
  // promise, and some room: the reserve that is never used is never touched
  // and so costs no memory, while growing would copy every record.
  const std::size_t sample = std::min<std::size_t>(size, 4u << 20);
  const std::size_t sampled = static_cast<std::size_t>(std::count(data, data + sample, '\n')) + 1;
  records_.reserve(sampled * (size / std::max<std::size_t>(sample, 1) + 1) * 5 / 4 + 16);
  LogLineReader reader(data, size);
  LogLine d;
  auto finish = [&] {
    order_.resize(records_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
  };
  try {
    while (reader.Next(d)) {
      Record& r = records_.emplace_back();
      r.TOPIC = d.TOPIC;
      r.RESERVED = d.RESERVED;
      r.Unread = d.Unread;
      r.REFER = d.REFER;
      r.DATE = d.DATE;
      r.text = d.texts;
      r.end[kLink] = d.textBytes;
      r.written = true;
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// A line's texts decoded where the file had them; a LINK the converter
// changes is written over its old bytes when it fits, else the texts move
// to the arena.
void TArticleStore::Decode(Record& r) {
  char* text = const_cast<char*>(r.text);  // the file's bytes, which the store owns
  const std::uint32_t bytes = r.end[kLink];
  DecodeTextsInPlace(text, bytes, r.end);
  r.written = false;
  const std::uint32_t linkStart = r.end[kLink - 1];
  std::string link;
  if (r.end[kLink] == linkStart || !convertLink_ ||
      !convertLink_(std::string_view(text + linkStart, r.end[kLink] - linkStart), link))
    return;
  if (linkStart + link.size() <= bytes) {
    std::memcpy(text + linkStart, link.data(), link.size());
    r.end[kLink] = linkStart + static_cast<std::uint32_t>(link.size());
    return;
  }
  std::string_view texts[kTextFields];
  std::uint32_t start = 0;
  for (int f = 0; f < kLink; ++f) {
    texts[f] = std::string_view(text + start, r.end[f] - start);
    start = r.end[f];
  }
  texts[kLink] = link;
  r.text = StoreTexts(texts, r.end);
}

std::string_view TArticleStore::Text(std::uint32_t id, int field) const {
  const Record& r = records_[id];
  // Decoding changes no text a reader can see: it is done on first sight.
  if (r.written) const_cast<TArticleStore*>(this)->Decode(const_cast<Record&>(r));
  const std::uint32_t start = field == 0 ? 0 : r.end[field - 1];
  return {r.text + start, r.end[field] - start};
}

ArticleView TArticleStore::View(std::uint32_t id) const {
  const Record& r = records_[id];
  ArticleView v;
  v.Depth = r.Depth;
  v.ThreadKey = r.ThreadKey;
  v.Selected = r.Selected;
  v.TOPIC = r.TOPIC;
  v.REFER = r.REFER;
  v.RESERVED = r.RESERVED;
  v.DATE = r.DATE;
  v.Unread = r.Unread;
  std::string_view* texts[kTextFields] = {&v.TITLE, &v.AUTHOR, &v.MAILTO, &v.HP,  &v.PAGEURL,
                                          &v.BODY,  &v.HEAD,   &v.HOST,   &v.LINK};
  for (int f = 0; f < kTextFields; ++f) *texts[f] = Text(id, f);
  return v;
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

// ThreadKey aside: the callers say whether it is taken.
void CopyNumbers(TArticleStore::Record& r, const ArticleHead& a) {
  r.TOPIC = a.TOPIC;
  r.REFER = a.REFER;
  r.RESERVED = a.RESERVED;
  r.DATE = a.DATE;
  r.Unread = a.Unread;
}

void TextsOf(const TDataInfo& a, std::string_view (&texts)[kTextFields]) {
  const std::string* s[kTextFields] = {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL,
                                       &a.BODY,  &a.HEAD,   &a.HOST,   &a.LINK};
  for (int f = 0; f < kTextFields; ++f) texts[f] = *s[f];
}

void TextsOf(const ArticleView& v, std::string_view (&texts)[kTextFields]) {
  for (int f = 0; f < kTextFields; ++f) texts[f] = v.Text(f);
}

}  // namespace

std::uint32_t TArticleStore::Append(const TDataInfo& a, std::uint8_t changes) {
  std::string_view texts[kTextFields];
  TextsOf(a, texts);
  return Push(a, texts, changes);
}

std::uint32_t TArticleStore::Append(const ArticleView& a, std::uint8_t changes) {
  std::string_view texts[kTextFields];
  TextsOf(a, texts);
  return Push(a, texts, changes);
}

std::uint32_t TArticleStore::Push(const ArticleHead& a, const std::string_view (&texts)[kTextFields],
                                  std::uint8_t changes) {
  Record r;
  CopyNumbers(r, a);
  r.ThreadKey = a.ThreadKey;
  r.text = StoreTexts(texts, r.end);
  r.changes = changes;
  const auto id = static_cast<std::uint32_t>(records_.size());
  records_.push_back(r);
  if (positionsValid_) positions_.push_back(static_cast<std::uint32_t>(order_.size()));
  order_.push_back(id);
  IndexAdd(id);
  return id;
}

void TArticleStore::Overwrite(std::uint32_t id, const ArticleHead& a, const std::string_view (&texts)[kTextFields]) {
  Record& r = records_[id];
  CopyNumbers(r, a);
  r.text = StoreTexts(texts, r.end);
  r.written = false;
}

void TArticleStore::Replace(std::uint32_t id, const TDataInfo& a) {
  std::string_view texts[kTextFields];
  TextsOf(a, texts);
  Overwrite(id, a, texts);
  records_[id].ThreadKey = a.ThreadKey;
}

void TArticleStore::Replace(std::uint32_t id, const ArticleView& a) {
  std::string_view texts[kTextFields];
  TextsOf(a, texts);
  Overwrite(id, a, texts);
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
