#include "logstore/scrap_list.h"

#include <algorithm>
#include <cerrno>

#include "logstore/log_file.h"
#include "platform/compare.h"
#include "platform/events.h"
#include "platform/sys.h"
#include "platform/ui.h"
#include "textlib/csv.h"
#include "textlib/limits.h"
#include "textlib/strutil.h"

namespace bq {
namespace {

using Record = TArticleStore::Record;

constexpr std::string_view kCaption = "Brindlequay";
constexpr std::string_view kLogMark = "%LOG%";

std::string Lines(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) {
    if (!out.empty()) out += "\r\n";
    out += p;
  }
  return out;
}

}  // namespace

bool SameArticle(const TDataInfo& a, const TDataInfo& b) {
  return a.TOPIC == b.TOPIC && a.REFER == b.REFER && a.RESERVED == b.RESERVED && a.DATE == b.DATE &&
         a.Unread == b.Unread && a.TITLE == b.TITLE && a.AUTHOR == b.AUTHOR && a.MAILTO == b.MAILTO &&
         a.HP == b.HP && a.PAGEURL == b.PAGEURL && a.BODY == b.BODY && a.HEAD == b.HEAD &&
         a.HOST == b.HOST && a.LINK == b.LINK;
}

std::string_view StripReplyPrefix(std::string_view title) {
  for (std::string_view p : {"Re:", "Fw:", "Fwd:"}) {
    if (title.substr(0, p.size()) == p) title.remove_prefix(p.size());
  }
  return title;
}

TScrapList::TScrapList(UserInterface& ui, Clock clock) : ui_(ui), clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return TickCount(); };
}

TScrapList::~TScrapList() = default;

std::uint32_t TScrapList::Now() const { return clock_(); }

std::string TScrapList::LogFilePath() const { return folderPath_ + std::string(kLogFileName); }
std::string TScrapList::NodeFilePath() const { return folderPath_ + std::string(kNodeFileName); }

void TScrapList::ShowError(std::string_view what, const std::string& path, std::string_view reason) const {
  ui_.MessageBox(Lines({what, path, reason}), kCaption, kMbOk);
}

void TScrapList::WriteFailed(const std::string& path, std::string_view reason) {
  // The file layer's own errors name the file already.
  const std::string prefix = path + ": ";
  std::string entry = reason.substr(0, prefix.size()) == prefix ? std::string(reason) : prefix + std::string(reason);
  for (char& c : entry)
    if (c == '\r' || c == '\n') c = ' ';
  failedWrites_.push_back(entry);
}

void TScrapList::BuildTitleMaps() const {
  if (titleMapsValid_) return;
  topics_.Build(store_.Count(), [&](std::size_t i) { return static_cast<std::uint32_t>(store_.At(i).TOPIC); });
  refers_.Build(store_.Count(), [&](std::size_t i) { return static_cast<std::uint32_t>(store_.At(i).REFER); });
  titleMapsValid_ = true;
}

// ---- articles ----

void TScrapList::ResetArticles() {
  store_.Clear();
  topics_.Clear();
  refers_.Clear();
  titleMapsValid_ = false;
}

void TScrapList::Clear() {
  if (store_.EraseIf([](const Record&) { return true; })) modified_ = true;
  titleMapsValid_ = false;
}

int TScrapList::IndexOfKey(const ArticleKey& key) const { return store_.FindKey(key); }

int TScrapList::IndexOfItem(const TDataInfo& article) const { return store_.FindKey(KeyOf(article)); }

int TScrapList::AddItem(const TDataInfo& article, bool overwrite) {
  if (article.TITLE.empty() && article.DATE == 0) return -1;
  const int found = IndexOfItem(article);
  if (found < 0) {
    const std::uint32_t id = store_.Append(article, TArticleStore::kAdded);
    Record& added = store_.ById(id);
    added.Selected = false;
    added.Depth = 0;
    titleMapsValid_ = false;
    modified_ = true;
    if (static_cast<std::uint32_t>(added.TOPIC) > static_cast<std::uint32_t>(Folder.LastTopic)) {
      Folder.LastTopic = added.TOPIC;
      NodeModified = true;
    }
    if (!Folder.HasUnread && added.Unread) SetHasUnread(true);
    if (OnAddItem) {
      TDataInfo copy = article;
      copy.Selected = false;
      copy.Depth = 0;
      OnAddItem(*this, copy);
    }
    return Count() - 1;
  }
  if (overwrite) {
    const std::uint32_t id = store_.IdAt(static_cast<std::size_t>(found));
    store_.Replace(id, article);
    Record& stored = store_.ById(id);
    stored.Selected = false;
    stored.Depth = 0;
    stored.changes |= TArticleStore::kReplaced;
    titleMapsValid_ = false;
    modified_ = true;
    if (!Folder.HasUnread && stored.Unread) SetHasUnread(true);
  }
  return found;
}

int TScrapList::RemoveItem(const TDataInfo& article) {
  const int i = IndexOfItem(article);
  if (i < 0) return 0;
  const std::uint32_t target = store_.IdAt(static_cast<std::size_t>(i));
  store_.EraseIf([&](const Record& r) { return &r == &store_.ById(target); });
  titleMapsValid_ = false;
  modified_ = true;
  return 1;
}

int TScrapList::IndexOfTopic(std::int32_t topic) const {
  for (std::size_t i = 0; i < store_.Count(); ++i) {
    if (store_.At(i).TOPIC == topic) return static_cast<int>(i);
  }
  return -1;
}

bool TScrapList::DeleteTopic(std::int32_t topic) {
  const int i = IndexOfTopic(topic);
  if (i < 0) return false;
  const std::uint32_t target = store_.IdAt(static_cast<std::size_t>(i));
  store_.EraseIf([&](const Record& r) { return &r == &store_.ById(target); });
  titleMapsValid_ = false;
  modified_ = true;
  return true;
}

void TScrapList::DeleteSelected() {
  if (store_.EraseIf([](const Record& r) { return r.Selected; })) {
    titleMapsValid_ = false;
    modified_ = true;
  }
}

ArticleView TScrapList::View(int index) const {
  if (index < 0 || index >= Count()) return {};
  return store_.View(store_.IdAt(static_cast<std::size_t>(index)));
}

ArticleKey TScrapList::KeyAt(int index) const {
  if (index < 0 || index >= Count()) return {};
  return store_.At(static_cast<std::size_t>(index)).Key();
}

std::uint32_t TScrapList::ArticleId(int index) const {
  return index >= 0 && index < Count() ? store_.IdAt(static_cast<std::size_t>(index)) : 0xFFFFFFFFu;
}

TDataInfo TScrapList::GetItem(int index) const { return View(index).Copy(); }

TDataInfo TScrapList::GetTopic(std::int32_t topic) const { return GetItem(IndexOfTopic(topic)); }

// The passes over every article walk the records as they lie in memory
// (the deleted ones passed over), not in display order: a million of them
// are read at the speed of memory rather than one cache miss each.
template <typename Visit>
void TScrapList::ForEachLive(Visit visit) const {
  for (std::uint32_t id = 0; id < store_.RecordCount(); ++id) {
    const Record& r = store_.ById(id);
    if (r.live) visit(r);
  }
}

std::uint32_t TScrapList::LatestDate() const {
  std::uint32_t latest = 0;
  ForEachLive([&](const Record& r) { latest = std::max(latest, r.DATE); });
  return latest;
}

TScrapList::MarkCounts TScrapList::Marks() const {
  MarkCounts m;
  ForEachLive([&](const Record& r) {
    m.unread += r.Unread;
    m.selected += r.Selected;
    m.selectedUnread |= r.Selected && r.Unread;
  });
  return m;
}

int TScrapList::UnreadCount() const { return Marks().unread; }

int TScrapList::SelectedCount() const { return Marks().selected; }

bool TScrapList::SelectedHasUnread() const { return Marks().selectedUnread; }

bool TScrapList::AnyUnread() const { return UnreadCount() > 0; }

bool TScrapList::IsSelected(int index) const { return index >= 0 && index < Count() && store_.At(index).Selected; }

void TScrapList::SetSelected(int index, bool selected) {
  if (index < 0 || index >= Count()) return;
  store_.At(static_cast<std::size_t>(index)).Selected = selected;
}

void TScrapList::ClearSelected() {
  for (std::uint32_t id = 0; id < store_.RecordCount(); ++id) store_.ById(id).Selected = false;
}

bool TScrapList::IsUnread(int index) const { return index >= 0 && index < Count() && store_.At(index).Unread; }

void TScrapList::SetHasUnread(bool value) {
  Folder.HasUnread = value;
  SaveNode();
}

void TScrapList::MarkRead(int index) {
  if (index < 0 || index >= Count()) return;
  Record& a = store_.At(static_cast<std::size_t>(index));
  if (!a.Unread) return;
  a.Unread = false;
  a.changes |= TArticleStore::kMarked;
  modified_ = true;
  if (Folder.HasUnread && !AnyUnread()) SetHasUnread(false);
}

void TScrapList::SetSelectedUnread(bool unread) {
  for (std::uint32_t id = 0; id < store_.RecordCount(); ++id) {
    Record& r = store_.ById(id);
    if (!r.live || !r.Selected) continue;
    r.Unread = unread;
    r.changes |= TArticleStore::kMarked;
  }
  modified_ = true;
  const bool any = AnyUnread();
  if (any != Folder.HasUnread) SetHasUnread(any);
}

int TScrapList::FindText(std::string_view text, int from, bool forward) {
  searchText_ = text;
  const int n = Count();
  const int step = forward ? 1 : -1;
  int i = forward ? std::max(from + 1, 0) : std::min(from - 1, n - 1);
  std::string joined;
  for (; i >= 0 && i < n; i += step) {
    const std::uint32_t id = store_.IdAt(static_cast<std::size_t>(i));
    joined.assign(store_.Text(id, kTitle));
    joined += store_.Text(id, kAuthor);
    joined += store_.Text(id, kBody);
    if (SearchSjis(joined, text) != std::string_view::npos) return i;
  }
  return -1;
}

bool TScrapList::IsDuplicate(const ArticleView& a, const ArticleView& b) const {
  return CompareTextIgnoreCase(a.TITLE, b.TITLE) == 0 && a.BODY == b.BODY;
}

bool TScrapList::IsDuplicate(const TDataInfo& a, const TDataInfo& b) const {
  return CompareTextIgnoreCase(a.TITLE, b.TITLE) == 0 && a.BODY == b.BODY;
}

std::string ConvertLogPath(std::string_view logRoot, std::string_view value) {
  if (!logRoot.empty() && StartsWithNoCase(value, logRoot)) {
    return std::string(kLogMark) + std::string(value.substr(logRoot.size()));
  }
  if (StartsWithNoCase(value, kLogMark)) {
    // Without a log root there is nothing to expand to; the mark stays.
    if (logRoot.empty()) return std::string(value);
    return std::string(logRoot) + std::string(value.substr(kLogMark.size()));
  }
  if (StartsWithNoCase(value, kLegacyLogFolder)) {
    return std::string(kLogMark) + std::string(value.substr(kLegacyLogFolder.size()));
  }
  return std::string(value);
}

std::string TScrapList::ConvertLogPath(std::string_view value) const { return bq::ConvertLogPath(logRoot_, value); }

std::string TScrapList::DisplayTitle(std::string_view title) const {
  if (Folder.HideIndex && !title.empty() && title[0] == '[') {
    const std::size_t close = SearchSjis(title, "]", 1);
    if (close != std::string_view::npos) title.remove_prefix(close + 1);
  }
  while (!title.empty() && static_cast<unsigned char>(title[0]) <= 0x20) title.remove_prefix(1);
  return std::string(title);
}

std::string TScrapList::TreeTitle(int index) const {
  if (index < 0 || index >= Count()) return {};
  const Record& a = store_.At(static_cast<std::size_t>(index));
  std::string title = DisplayTitle(store_.Text(store_.IdAt(static_cast<std::size_t>(index)), kTitle));
  if (sortMode_ >= 1 || (a.Depth <= 0 && a.REFER == 0)) return title;
  BuildTitleMaps();
  auto hasLaterSibling = [&](const Record& x, int at) {
    return refers_.Last(static_cast<std::uint32_t>(x.REFER)) > at;
  };
  // Pieces from the article up to its ancestors, joined in reverse.
  std::vector<std::string_view> pieces;
  pieces.push_back(hasLaterSibling(a, index) ? "\x84\xa5 " : "\x84\xa4 ");  // "├ " / "└ "
  const Record* cur = &a;
  for (std::int32_t level = a.Depth - 1; level > 0; --level) {
    const int first = topics_.First(static_cast<std::uint32_t>(cur->REFER));
    if (first < 0) break;
    const Record& parent = store_.At(static_cast<std::size_t>(first));
    pieces.push_back(hasLaterSibling(parent, first) ? "\x84\xa0" : "\x81\x40");  // "│" / "　"
    cur = &parent;
  }
  std::string out;
  for (auto p = pieces.rbegin(); p != pieces.rend(); ++p) out += *p;
  return out + title;
}

std::string TScrapList::TreeTitle(const TDataInfo& article) const {
  const int index = IndexOfItem(article);
  return index >= 0 ? TreeTitle(index) : DisplayTitle(article.TITLE);
}

}  // namespace bq
