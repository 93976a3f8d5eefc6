#include "logstore/scrap_list.h"

#include <algorithm>
#include <cerrno>

#include "logstore/log_file.h"
#include "platform/compare.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/sys.h"
#include "platform/ui.h"
#include "textlib/csv.h"
#include "textlib/limits.h"
#include "textlib/strutil.h"

namespace bq {
namespace {

constexpr std::string_view kCaption = "Brindlequay";
constexpr std::string_view kCannotWrite =
    "\x83\x66\x81[\x83^\x82\xaa\x8f\x91\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";  // データが書込めません!
constexpr std::string_view kCannotRead =
    "\x83\x66\x81[\x83^\x82\xaa\x93\xc7\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";  // データが読込めません!
// 元のファイルは次の名前で残しました:
constexpr std::string_view kKeptAs =
    "\x8c\xb3\x82\xcc\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x8e\x9f\x82\xcc\x96\xbc\x91O\x82\xc5\x8e\x63"
    "\x82\xb5\x82\xdc\x82\xb5\x82\xbd: ";
// 読込めなかったログは上書きしません
constexpr std::string_view kWillNotOverwrite =
    "\x93\xc7\x8d\x9e\x82\xdf\x82\xc8\x82\xa9\x82\xc1\x82\xbd\x83\x8d\x83O\x82\xcd\x8f\xe3\x8f\x91"
    "\x82\xab\x82\xb5\x82\xdc\x82\xb9\x82\xf1";
constexpr std::string_view kLogMark = "%LOG%";
constexpr int kMaxAsideCopies = 1000;

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
  std::string text(what);
  text += "\r\n";
  text += path;
  text += "\r\n";
  text += reason;
  ui_.MessageBox(text, kCaption, kMbOk);
}

// ---- the identity index ----

void TScrapList::IndexAdd(TDataInfo* a) {
  if (indexValid_) identity_.emplace(KeyOf(*a), a);
}

void TScrapList::IndexRemove(TDataInfo* a) {
  if (!indexValid_) return;
  auto range = identity_.equal_range(KeyOf(*a));
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == a) {
      identity_.erase(it);
      return;
    }
  }
}

// A loaded log is indexed when an identity is first looked up: opening a
// folder only to read it never needs the index, and a million articles take
// a quarter of a second to index.
void TScrapList::EnsureIndex() const {
  if (indexValid_) return;
  identity_.clear();
  identity_.reserve(items_.size());
  for (auto& a : items_) identity_.emplace(KeyOf(*a), a.get());
  indexValid_ = true;
}

void TScrapList::RenumberIfNeeded() const {
  if (positionsValid_) return;
  for (std::size_t i = 0; i < items_.size(); ++i) items_[i]->Position = static_cast<std::int32_t>(i);
  positionsValid_ = true;
}

void TScrapList::BuildTitleMaps() const {
  if (titleMapsValid_) return;
  firstOfTopic_.clear();
  lastOfRefer_.clear();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    firstOfTopic_.emplace(static_cast<std::uint32_t>(items_[i]->TOPIC), static_cast<int>(i));
    lastOfRefer_[static_cast<std::uint32_t>(items_[i]->REFER)] = static_cast<int>(i);
  }
  titleMapsValid_ = true;
}

// ---- articles ----

void TScrapList::Erase(std::size_t index) {
  IndexRemove(items_[index].get());
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  positionsValid_ = false;
  titleMapsValid_ = false;
  modified_ = true;
}

void TScrapList::Clear() {
  if (!items_.empty()) modified_ = true;
  items_.clear();
  identity_.clear();
  indexValid_ = true;
  positionsValid_ = true;
  titleMapsValid_ = false;
}

int TScrapList::IndexOfItem(const TDataInfo& article) const {
  EnsureIndex();
  auto range = identity_.equal_range(KeyOf(article));
  if (range.first == range.second) return -1;
  RenumberIfNeeded();
  int best = -1;
  for (auto it = range.first; it != range.second; ++it) {
    if (best < 0 || it->second->Position < best) best = it->second->Position;
  }
  return best;
}

int TScrapList::AddItem(const TDataInfo& article, bool overwrite) {
  if (article.TITLE.empty() && article.DATE == 0) return -1;
  const int found = IndexOfItem(article);
  if (found < 0) {
    auto rec = std::make_unique<TDataInfo>(article);
    rec->Selected = false;
    rec->Child = rec->Next = nullptr;
    rec->Depth = 0;
    rec->Position = static_cast<std::int32_t>(items_.size());
    TDataInfo* added = rec.get();
    RenumberIfNeeded();
    items_.push_back(std::move(rec));
    IndexAdd(added);
    titleMapsValid_ = false;
    modified_ = true;
    if (static_cast<std::uint32_t>(added->TOPIC) > static_cast<std::uint32_t>(Folder.LastTopic)) {
      Folder.LastTopic = added->TOPIC;
      NodeModified = true;
    }
    if (!Folder.HasUnread && added->Unread) SetHasUnread(true);
    if (OnAddItem) OnAddItem(*this, *added);
    return static_cast<int>(items_.size()) - 1;
  }
  if (overwrite) {
    TDataInfo* stored = items_[static_cast<std::size_t>(found)].get();
    IndexRemove(stored);
    *stored = article;
    stored->Selected = false;
    stored->Child = stored->Next = nullptr;
    stored->Depth = 0;
    stored->Position = found;
    IndexAdd(stored);
    titleMapsValid_ = false;
    modified_ = true;
    if (!Folder.HasUnread && stored->Unread) SetHasUnread(true);
  }
  return found;
}

int TScrapList::RemoveItem(const TDataInfo& article) {
  const int i = IndexOfItem(article);
  if (i < 0) return 0;
  Erase(static_cast<std::size_t>(i));
  return 1;
}

int TScrapList::IndexOfTopic(std::int32_t topic) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->TOPIC == topic) return static_cast<int>(i);
  }
  return -1;
}

bool TScrapList::DeleteTopic(std::int32_t topic) {
  const int i = IndexOfTopic(topic);
  if (i < 0) return false;
  Erase(static_cast<std::size_t>(i));
  return true;
}

void TScrapList::DeleteSelected() {
  std::size_t kept = 0;
  bool any = false;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->Selected) {
      IndexRemove(items_[i].get());
      items_[i].reset();
      any = true;
    } else {
      if (kept != i) items_[kept] = std::move(items_[i]);
      ++kept;
    }
  }
  items_.resize(kept);
  if (any) {
    positionsValid_ = false;
    titleMapsValid_ = false;
    modified_ = true;
  }
}

const TDataInfo* TScrapList::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  RenumberIfNeeded();
  return items_[static_cast<std::size_t>(index)].get();
}

TDataInfo TScrapList::GetItem(int index) const {
  const TDataInfo* a = Item(index);
  return a ? *a : TDataInfo{};
}

TDataInfo TScrapList::GetTopic(std::int32_t topic) const { return GetItem(IndexOfTopic(topic)); }

std::uint32_t TScrapList::LatestDate() const {
  std::uint32_t latest = 0;
  for (auto& a : items_) latest = std::max(latest, a->DATE);
  return latest;
}

int TScrapList::UnreadCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](auto& a) { return a->Unread; }));
}

int TScrapList::SelectedCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](auto& a) { return a->Selected; }));
}

bool TScrapList::SelectedHasUnread() const {
  return std::any_of(items_.begin(), items_.end(), [](auto& a) { return a->Selected && a->Unread; });
}

bool TScrapList::AnyUnread() const {
  return std::any_of(items_.begin(), items_.end(), [](auto& a) { return a->Unread; });
}

bool TScrapList::IsSelected(int index) const {
  const TDataInfo* a = Item(index);
  return a && a->Selected;
}

void TScrapList::SetSelected(int index, bool selected) {
  if (index < 0 || index >= Count()) return;
  items_[static_cast<std::size_t>(index)]->Selected = selected;
}

void TScrapList::ClearSelected() {
  for (auto& a : items_) a->Selected = false;
}

bool TScrapList::IsUnread(int index) const {
  const TDataInfo* a = Item(index);
  return a && a->Unread;
}

void TScrapList::SetHasUnread(bool value) {
  Folder.HasUnread = value;
  SaveNode();
}

void TScrapList::MarkRead(int index) {
  if (index < 0 || index >= Count()) return;
  TDataInfo& a = *items_[static_cast<std::size_t>(index)];
  if (!a.Unread) return;
  a.Unread = false;
  modified_ = true;
  if (Folder.HasUnread && !AnyUnread()) SetHasUnread(false);
}

void TScrapList::SetSelectedUnread(bool unread) {
  for (auto& a : items_) {
    if (a->Selected) a->Unread = unread;
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
    const TDataInfo& a = *items_[static_cast<std::size_t>(i)];
    joined.clear();
    joined += a.TITLE;
    joined += a.AUTHOR;
    joined += a.BODY;
    if (SearchSjis(joined, text) != std::string_view::npos) return i;
  }
  return -1;
}

bool TScrapList::IsDuplicate(const TDataInfo& a, const TDataInfo& b) const {
  return CompareTextIgnoreCase(a.TITLE, b.TITLE) == 0 && a.BODY == b.BODY;
}

std::string TScrapList::ConvertLogPath(std::string_view value) const {
  if (!logRoot_.empty() && StartsWithNoCase(value, logRoot_)) {
    return std::string(kLogMark) + std::string(value.substr(logRoot_.size()));
  }
  if (StartsWithNoCase(value, kLogMark)) {
    // Without a log root there is nothing to expand to; the mark stays.
    if (logRoot_.empty()) return std::string(value);
    return logRoot_ + std::string(value.substr(kLogMark.size()));
  }
  if (StartsWithNoCase(value, kLegacyLogFolder)) {
    return std::string(kLogMark) + std::string(value.substr(kLegacyLogFolder.size()));
  }
  return std::string(value);
}

std::string TScrapList::DisplayTitle(std::string_view title) const {
  if (Folder.HideIndex && !title.empty() && title[0] == '[') {
    const std::size_t close = SearchSjis(title, "]", 1);
    if (close != std::string_view::npos) title.remove_prefix(close + 1);
  }
  while (!title.empty() && static_cast<unsigned char>(title[0]) <= 0x20) title.remove_prefix(1);
  return std::string(title);
}

std::string TScrapList::TreeTitle(int index) const {
  const TDataInfo* a = Item(index);
  if (!a) return {};
  std::string title = DisplayTitle(a->TITLE);
  if (sortMode_ >= 1 || (a->Depth <= 0 && a->REFER == 0)) return title;
  BuildTitleMaps();
  auto hasLaterSibling = [&](const TDataInfo& x, int at) {
    auto it = lastOfRefer_.find(static_cast<std::uint32_t>(x.REFER));
    return it != lastOfRefer_.end() && it->second > at;
  };
  // Pieces from the article up to its ancestors, joined in reverse.
  std::vector<std::string_view> pieces;
  pieces.push_back(hasLaterSibling(*a, index) ? "\x84\xa5 " : "\x84\xa4 ");  // "├ " / "└ "
  const TDataInfo* cur = a;
  for (std::int32_t level = a->Depth - 1; level > 0; --level) {
    auto it = firstOfTopic_.find(static_cast<std::uint32_t>(cur->REFER));
    if (it == firstOfTopic_.end()) break;
    const TDataInfo* parent = items_[static_cast<std::size_t>(it->second)].get();
    pieces.push_back(hasLaterSibling(*parent, it->second) ? "\x84\xa0" : "\x81\x40");  // "│" / "　"
    cur = parent;
  }
  std::string out;
  for (auto p = pieces.rbegin(); p != pieces.rend(); ++p) out += *p;
  return out + title;
}

std::string TScrapList::TreeTitle(const TDataInfo& article) const {
  const TDataInfo* at = Item(article.Position);
  if (at == &article) return TreeTitle(article.Position);
  const int index = IndexOfItem(article);
  return index >= 0 ? TreeTitle(index) : DisplayTitle(article.TITLE);
}

// ---- files ----

void TScrapList::SaveNode() {
  if (folderPath_.empty() || !fs::DirectoryExists(folderPath_)) return;
  try {
    fs::WriteFileAtomic(NodeFilePath(), FormatNodeFile(Folder));
    NodeModified = false;
  } catch (const std::exception& e) {
    NodeModified = true;
    ShowError(kCannotWrite, NodeFilePath(), e.what());
  }
}

void TScrapList::KeepUnreadableLog(const std::string& path) {
  std::string base = folderPath_ + "kvllog-unreadable";
  for (int n = 1; n <= kMaxAsideCopies; ++n) {
    std::string aside = base;
    if (n > 1) {
      aside += '-';
      aside += std::to_string(n);
    }
    aside += ".dat";
    if (fs::FileExists(aside)) continue;
    if (fs::CopyFile(path, aside)) savedAside_ = aside;
    break;
  }
  if (savedAside_.empty()) saveBlocked_ = true;
}

void TScrapList::LoadLog() {
  items_.clear();
  identity_.clear();
  indexValid_ = true;
  positionsValid_ = true;
  titleMapsValid_ = false;
  Folder = TFolderInfo{};
  nodeValid_ = false;
  saveBlocked_ = false;
  savedAside_.clear();
  if (!folderPath_.empty()) {
    std::string node;
    if (fs::ReadFile(NodeFilePath(), node, limits::kMaxNodeFile)) nodeValid_ = ParseNodeFile(node, Folder);
    const std::uint32_t start = Now();
    const std::string path = LogFilePath();
    if (fs::FileExists(path)) {
      std::string data;
      try {
        if (!fs::ReadFile(path, data, limits::kMaxLogFile)) throw fs::FileError(sys::ErrnoText(errno));
        TCommaFile file(data);
        while (file.ReadLine()) {
          if (file.Line().empty()) continue;
          auto rec = std::make_unique<TDataInfo>();
          ParseLogLine(file.Line(), *rec);
          rec->LINK = ConvertLogPath(rec->LINK);
          rec->Position = static_cast<std::int32_t>(items_.size());
          items_.push_back(std::move(rec));
        }
      } catch (const std::exception& e) {
        std::string reason = e.what();
        KeepUnreadableLog(path);
        reason += "\r\n";
        reason += savedAside_.empty() ? std::string(kWillNotOverwrite) : std::string(kKeptAs) + savedAside_;
        ShowError(kCannotRead, path, reason);
      }
      identity_.clear();
      indexValid_ = false;
    }
    loadTime_ = static_cast<std::int32_t>(Now() - start);
  }
  items_.shrink_to_fit();
  const bool any = AnyUnread();
  if (any != Folder.HasUnread) SetHasUnread(any);
  modified_ = false;
  NodeModified = false;
}

void TScrapList::SaveLog() {
  if (NodeModified) SaveNode();
  if (!modified_ || folderPath_.empty()) return;
  const std::string path = LogFilePath();
  if (saveBlocked_) {
    ShowError(kCannotWrite, path, kWillNotOverwrite);
    return;
  }
  try {
    std::size_t estimate = 0;
    for (auto& a : items_) {
      const std::size_t texts = a->TITLE.size() + a->AUTHOR.size() + a->MAILTO.size() + a->HP.size() +
                                a->PAGEURL.size() + a->BODY.size() + a->HEAD.size() + a->HOST.size() +
                                a->LINK.size();
      estimate += texts + texts / 16 + 96;  // room for escapes, numbers and commas
    }
    std::string out;
    out.reserve(estimate);
    for (auto& a : items_) AppendLogLine(out, *a, ConvertLogPath(a->LINK));
    fs::WriteFileAtomic(path, out);
    modified_ = false;
  } catch (const std::exception& e) {
    ShowError(kCannotWrite, path, e.what());
  }
}

bool TScrapList::OpenFolder(std::string_view path) {
  if (path.empty()) return true;
  const std::string p = PathWithSeparator(path);
  if (p == folderPath_) return true;
  SaveLog();
  if (modified_ && !folderPath_.empty()) return false;
  folderPath_ = p;
  if (!fs::DirectoryExists(p)) fs::ForceDirectories(p);
  LoadLog();
  return true;
}

void TScrapList::CloseWithoutSaving() {
  items_.clear();
  identity_.clear();
  indexValid_ = true;
  positionsValid_ = true;
  titleMapsValid_ = false;
  folderPath_.clear();
  Folder = TFolderInfo{};
  nodeValid_ = false;
  modified_ = false;
  NodeModified = false;
  saveBlocked_ = false;
}

void TScrapList::SetFolderPath(std::string_view path) { folderPath_ = PathWithSeparator(path); }

bool TScrapList::SetLogRoot(std::string_view path) {
  const std::string p = PathWithSeparator(path);
  if (p == "/" || p == "\\" || p == logRoot_) return true;
  SaveRootDef();
  SaveLog();
  if (modified_ && !folderPath_.empty()) return false;
  ScheduleEnabled = false;
  ScheduleHours = 0;
  ScheduleMinute = 0;
  logRoot_ = p;
  std::string text;
  if (fs::ReadFile(logRoot_ + std::string(kRootDefName), text, limits::kMaxRootDef)) {
    const RootDefinition def = ParseRootDef(text);
    ScheduleEnabled = def.ScheduleEnabled;
    ScheduleHours = def.ScheduleHours;
    ScheduleMinute = def.ScheduleMinute;
    lastFolder_ = def.LastFolder;
  }
  folderPath_.clear();
  return true;
}

void TScrapList::SaveRootDef() {
  if (logRoot_.empty()) return;
  const std::string path = logRoot_ + std::string(kRootDefName);
  RootDefinition def;
  def.ScheduleEnabled = ScheduleEnabled;
  def.ScheduleHours = ScheduleHours;
  def.ScheduleMinute = ScheduleMinute;
  def.LastFolder = folderPath_;
  try {
    fs::WriteFileAtomic(path, FormatRootDef(def));
  } catch (const std::exception& e) {
    ShowError(kCannotWrite, path, e.what());
  }
}

TScrapList::FolderFlags TScrapList::ReadFolderFlags(std::string_view folderPath) const {
  const std::string p = PathWithSeparator(folderPath);
  if (!folderPath_.empty() && p == folderPath_) return {Folder.RoundTarget, Folder.HasUnread, !Folder.SiteUrl.empty()};
  std::string text;
  TFolderInfo info;
  if (!fs::ReadFile(p + std::string(kNodeFileName), text, limits::kMaxNodeFile)) return {};
  ParseNodeFile(text, info);
  return {info.RoundTarget, info.HasUnread, !info.SiteUrl.empty()};
}

bool TScrapList::IsRoundTime(int hour, int minute) const {
  if (hour < 0 || hour > 23) return false;
  return minute == ScheduleMinute && (ScheduleHours >> hour) & 1u;
}

}  // namespace bq
