// TScrapList and its files: loading, saving under the folder's lock with the
// merge of another program's changes, the node file and weblog.def with
// their field-wise merges, and damaged files kept aside.
#include <algorithm>
#include <cerrno>

#include "logstore/log_file.h"
#include "logstore/scrap_list.h"
#include "platform/sys.h"
#include "platform/ui.h"
#include "textlib/limits.h"
#include "textlib/strutil.h"

namespace bq {
namespace {

using Record = TArticleStore::Record;
using fs::kKeptAsText, fs::kLeftAloneText;

constexpr std::string_view kCannotWrite =
    "\x83\x66\x81[\x83^\x82\xaa\x8f\x91\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";  // データが書込めません!
constexpr std::string_view kCannotRead =
    "\x83\x66\x81[\x83^\x82\xaa\x93\xc7\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";  // データが読込めません!
// 読込めなかったログは上書きしません
constexpr std::string_view kWillNotOverwrite =
    "\x93\xc7\x8d\x9e\x82\xdf\x82\xc8\x82\xa9\x82\xc1\x82\xbd\x83\x8d\x83O\x82\xcd\x8f\xe3\x8f\x91"
    "\x82\xab\x82\xb5\x82\xdc\x82\xb9\x82\xf1";

std::string Joined(std::string_view a, std::string_view b) {
  std::string out(a);
  out += "\r\n";
  out += b;
  return out;
}

bool SameTexts(const TArticleStore& as, std::uint32_t a, const TArticleStore& bs, std::uint32_t b) {
  return as.Text(a, kTitle) == bs.Text(b, kTitle) && as.Text(a, kBody) == bs.Text(b, kBody);
}

// The record of fresh that stands for record `own` of store: the same
// identity, the same title and body preferred, the first in the file among
// equals; -1 when none. Records already taken (deleted by an earlier
// change) are passed over.
int Match(const TArticleStore& fresh, const TArticleStore& store, std::uint32_t own, const std::vector<char>& taken) {
  int best = -1;
  bool bestSame = false;
  fresh.ForEachWithKey(store.ById(own).Key(), [&](std::uint32_t id) {
    if (taken[id]) return;
    const bool same = SameTexts(fresh, id, store, own);
    if (best < 0 || (same && !bestSame) || (same == bestSame && static_cast<int>(id) < best)) {
      best = static_cast<int>(id);
      bestSame = same;
    }
  });
  return best;
}

}  // namespace

// The folder's lock for one write; a write inside another (the node file
// written while the log saves) finds it held already.
class TScrapList::Locked {
 public:
  explicit Locked(TScrapList& list) : list_(list) {
    if (list_.folderLockDepth_ > 0) {
      ++list_.folderLockDepth_;
      held_ = true;
      return;
    }
    LockWait wait;
    wait.noticeAfterMs = list_.LockNoticeMs;
    wait.limitMs = list_.LockLimitMs;
    wait.waiting = [this](std::uint32_t ms) {
      if (list_.OnLockWait) list_.OnLockWait(list_.folderPath_, ms);
    };
    std::string reason;
    switch (list_.folderLock_.Acquire(list_.folderPath_ + std::string(kFolderLockName), wait, reason)) {
      case LockResult::kHeld:
        held_ = true;
        list_.folderLockDepth_ = 1;
        break;
      case LockResult::kTimedOut: reason_ = kLockedByOtherText; break;
      case LockResult::kFailed: reason_ = reason; break;
    }
  }
  ~Locked() {
    if (held_ && --list_.folderLockDepth_ == 0) list_.folderLock_.Release();
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  explicit operator bool() const { return held_; }
  const std::string& Reason() const { return reason_; }

 private:
  TScrapList& list_;
  bool held_ = false;
  std::string reason_;
};

// ---- keeping damaged files ----

void TScrapList::KeepUnreadableLog(const std::string& path) {
  std::string data;
  if (!readOnly_ && fs::ReadFile(path, data)) savedAside_ = fs::KeepAside(path, "kvllog-unreadable", ".dat", data).path;
  if (savedAside_.empty()) saveBlocked_ = true;
}

// ---- loading ----

bool TScrapList::ReadLogInto(TArticleStore& store, fs::FileStamp& stamp, std::string& error) {
  fs::ByteBlock block;
  switch (fs::ReadFile(LogFilePath(), block, stamp, limits::kMaxLogFile)) {
    case fs::ReadResult::kMissing:
      store.Clear();
      stamp = {};
      return true;
    case fs::ReadResult::kTooLarge:
      store.Clear();
      error = sys::ErrnoText(EFBIG);
      return false;
    case fs::ReadResult::kFailed:
      error = sys::ErrnoText(errno);
      store.Clear();
      return false;
    case fs::ReadResult::kRead: break;
  }
  try {
    // A LINK is converted when its article is first read, against the root
    // the log was loaded under.
    store.Load(std::move(block), [root = logRoot_](std::string_view written, std::string& converted) {
      converted = bq::ConvertLogPath(root, written);
      return converted != written;
    });
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  return true;
}

// A definition file as read, told about once when it cannot be read or is
// not in its format.
struct TScrapList::DefinitionFile {
  std::string text;      // as read; empty when missing or unreadable
  bool damaged = false;  // not in its format (kept aside unless read-only)
  bool blocked = false;  // never to be overwritten: unreadable, or no copy kept
};

TScrapList::DefinitionFile TScrapList::ReadDefinition(const std::string& path, std::size_t maxSize,
                                                      std::string (*damageOf)(std::string_view),
                                                      std::string_view stem, std::string_view ext) {
  DefinitionFile file;
  std::string damage;
  switch (fs::ReadFileText(path, file.text, maxSize)) {
    case fs::ReadResult::kMissing: return file;
    case fs::ReadResult::kFailed:
      // Unreadable (no permission, an I/O error): left as it is for good.
      file.blocked = true;
      ShowError(kCannotRead, path, Joined(sys::ErrnoText(errno), kLeftAloneText));
      return file;
    case fs::ReadResult::kTooLarge:
      damage = TooLargeDamage();
      fs::ReadFile(path, file.text);
      break;
    case fs::ReadResult::kRead: damage = damageOf(file.text); break;
  }
  if (damage.empty()) return file;
  file.damaged = true;
  if (readOnly_) {
    ShowError(kCannotRead, path, damage);
    return file;
  }
  const fs::AsideCopy aside = fs::KeepAside(path, stem, ext, file.text);
  if (aside.path.empty()) {
    file.blocked = true;
    ShowError(kCannotRead, path, Joined(damage, kLeftAloneText));
  } else if (!aside.existed) {
    // Told once: a later start finds this very copy and says nothing.
    ShowError(kCannotRead, path, Joined(damage, std::string(kKeptAsText) + aside.path));
  }
  return file;
}

void TScrapList::ReadNodeFile() {
  const DefinitionFile file =
      ReadDefinition(NodeFilePath(), limits::kMaxNodeFile, NodeFileDamage, "kvlnode-damaged", ".web");
  nodeBlocked_ = file.blocked;
  if (file.text.empty()) return;
  nodeValid_ = ParseNodeFile(file.text, Folder);
  nodeBase_ = Folder;
  nodeBaseText_ = file.text;
}

void TScrapList::LoadLog() {
  ResetArticles();
  Folder = TFolderInfo{};
  nodeValid_ = false;
  saveBlocked_ = false;
  savedAside_.clear();
  loadError_.clear();
  nodeBlocked_ = false;
  nodeBase_ = TFolderInfo{};
  nodeBaseText_.clear();
  logStamp_ = {};
  sorted_ = false;
  if (!folderPath_.empty()) {
    ReadNodeFile();
    const std::uint32_t start = Now();
    const std::string path = LogFilePath();
    std::string error;
    if (!ReadLogInto(store_, logStamp_, error)) {
      loadError_ = error;
      KeepUnreadableLog(path);
      const std::string kept = savedAside_.empty() ? std::string(kWillNotOverwrite) : std::string(kKeptAsText) + savedAside_;
      ShowError(kCannotRead, path, Joined(error, kept));
    }
    loadTime_ = static_cast<std::int32_t>(Now() - start);
  }
  const bool any = AnyUnread();
  if (any != Folder.HasUnread) {
    Folder.HasUnread = any;
    // A command that only shows corrects the mark in memory alone.
    if (!readOnly_) SaveNode();
  }
  modified_ = false;
  NodeModified = false;
}

// ---- merging ----

void TScrapList::ApplyOwnChanges(TArticleStore& fresh) const {
  std::vector<char> taken(fresh.RecordCount(), 0);
  std::vector<char> drop(fresh.RecordCount(), 0);
  bool anyDrop = false;
  for (std::uint32_t id = 0; id < store_.RecordCount(); ++id) {
    const Record& r = store_.ById(id);
    if (r.changes == 0) continue;
    if (r.changes & TArticleStore::kDeleted) {
      if (r.changes & TArticleStore::kAdded) continue;  // never reached the file
      const int m = Match(fresh, store_, id, taken);
      if (m >= 0) {
        taken[static_cast<std::size_t>(m)] = drop[static_cast<std::size_t>(m)] = 1;
        anyDrop = true;
      }
      continue;
    }
    const int m = Match(fresh, store_, id, taken);
    if (m < 0) {
      // Stored or overwritten here and not in the file: it goes in. Only a
      // read mark on an article the other program deleted stays deleted.
      if (r.changes & (TArticleStore::kAdded | TArticleStore::kReplaced)) {
        fresh.Append(store_.View(id), r.changes | TArticleStore::kAdded);
        taken.push_back(1);
        drop.push_back(0);
      }
      continue;
    }
    const auto target = static_cast<std::uint32_t>(m);
    taken[target] = 1;
    Record& t = fresh.ById(target);
    if (r.changes & TArticleStore::kReplaced) {
      fresh.Replace(target, store_.View(id));
      t.changes |= TArticleStore::kReplaced;
    }
    if (r.changes & TArticleStore::kMarked) {
      t.Unread = r.Unread;
      t.changes |= TArticleStore::kMarked;
    }
    // Stored by both programs: the other's copy stays, and only once.
  }
  if (anyDrop) fresh.EraseIf([&](const Record& r) { return drop[static_cast<std::size_t>(&r - &fresh.ById(0))]; });
}

void TScrapList::CarrySelection(TArticleStore& fresh) const {
  if (SelectedCount() == 0) return;
  std::vector<char> taken(fresh.RecordCount(), 0);
  for (std::uint32_t id : store_.Order()) {
    const Record& r = store_.ById(id);
    if (!r.Selected) continue;
    const int m = Match(fresh, store_, id, taken);
    if (m < 0) continue;
    taken[static_cast<std::size_t>(m)] = 1;
    fresh.ById(static_cast<std::uint32_t>(m)).Selected = true;
  }
}

bool TScrapList::MergeWithDisk(std::string& error) {
  TArticleStore fresh;
  fs::FileStamp stamp;
  if (!ReadLogInto(fresh, stamp, error)) return false;
  ApplyOwnChanges(fresh);
  CarrySelection(fresh);
  store_ = std::move(fresh);
  logStamp_ = stamp;
  titleMapsValid_ = false;
  if (sorted_) {
    // The order the user last chose, over the merged articles.
    const bool descending = Descending;
    Descending = sortedDescending_;
    SortItems(sortMode_);
    Descending = descending;
  }
  return true;
}

bool TScrapList::ChangedOnDisk() const {
  if (folderPath_.empty()) return false;
  if (fs::StampOf(LogFilePath()) != logStamp_) return true;
  std::string text;
  return fs::ReadFileText(NodeFilePath(), text, limits::kMaxNodeFile) == fs::ReadResult::kRead &&
         text != nodeBaseText_;
}

bool TScrapList::Reload() {
  if (folderPath_.empty()) return true;
  std::string text;
  if (!nodeBlocked_ && fs::ReadFileText(NodeFilePath(), text, limits::kMaxNodeFile) == fs::ReadResult::kRead &&
      text != nodeBaseText_ && NodeFileDamage(text).empty()) {
    TFolderInfo theirs;
    nodeValid_ = ParseNodeFile(text, theirs);
    Folder = MergeFolderInfo(nodeBase_, Folder, theirs);
    nodeBase_ = theirs;
    nodeBaseText_ = text;
    NodeModified = !(Folder == nodeBase_);
  }
  std::string error;
  if (!MergeWithDisk(error)) {
    ShowError(kCannotRead, LogFilePath(), error);
    return false;
  }
  if (!modified_) Folder.HasUnread = AnyUnread();
  return true;
}

// ---- saving ----

bool TScrapList::WriteLog(std::string& error) {
  std::size_t estimate = 0;
  for (std::uint32_t id : store_.Order()) {
    const Record& a = store_.ById(id);
    const std::size_t texts = a.end[kLink];
    estimate += texts + texts / 16 + 96;  // room for escapes, numbers and commas
  }
  std::string out;
  out.reserve(estimate);
  for (std::uint32_t id : store_.Order()) {
    AppendLogLine(out, store_.View(id), ConvertLogPath(store_.Text(id, kLink)));
  }
  const std::string path = LogFilePath();
  try {
    fs::WriteFileAtomic(path, out);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  logStamp_ = fs::StampOf(path);
  return true;
}

bool TScrapList::SaveLog() {
  bool ok = true;
  if (NodeModified) ok = SaveNode();
  if (!modified_ || folderPath_.empty() || readOnly_) return ok;
  const std::string path = LogFilePath();
  if (saveBlocked_) {
    ShowError(kCannotWrite, path, kWillNotOverwrite);
    WriteFailed(path, kWillNotOverwrite);
    return false;
  }
  Locked lock(*this);
  if (!lock) {
    ShowError(kCannotWrite, path, lock.Reason());
    WriteFailed(path, lock.Reason());
    return false;
  }
  std::string error;
  bool merged = false;
  if (fs::StampOf(path) != logStamp_) {
    // Another program saved this log since it was read here: its version
    // with this process's changes over it is what gets written.
    if (!MergeWithDisk(error)) {
      ShowError(kCannotWrite, path, Joined(error, kWillNotOverwrite));
      WriteFailed(path, error);
      return false;
    }
    merged = true;
  }
  if (!WriteLog(error)) {
    ShowError(kCannotWrite, path, error);
    WriteFailed(path, error);
    return false;
  }
  modified_ = false;
  store_.ForgetChanges();
  if (merged && AnyUnread() != Folder.HasUnread) {
    Folder.HasUnread = !Folder.HasUnread;
    ok = SaveNode() && ok;
  }
  return ok;
}

bool TScrapList::WriteNodeLocked() {
  const std::string path = NodeFilePath();
  std::string disk;
  const fs::ReadResult read = fs::ReadFileText(path, disk, limits::kMaxNodeFile);
  if (read == fs::ReadResult::kFailed) {
    // It became unreadable meanwhile: left as it is.
    NodeModified = true;
    const std::string reason = Joined(sys::ErrnoText(errno), kLeftAloneText);
    ShowError(kCannotWrite, path, reason);
    WriteFailed(path, reason);
    return false;
  }
  if (read == fs::ReadResult::kRead && disk != nodeBaseText_) {
    // Another program rewrote the definition: its fields stay where this
    // process changed nothing.
    TFolderInfo theirs;
    const bool readable = NodeFileDamage(disk).empty() && ParseNodeFile(disk, theirs);
    Folder = MergeFolderInfo(nodeBase_, Folder, readable ? theirs : nodeBase_);
  }
  const std::string text = FormatNodeFile(Folder);
  // A new definition holding a password is for its owner's eyes only.
  const bool secret = !Folder.LoginPassword.empty() || !Folder.DelPass.empty();
  try {
    fs::WriteFileAtomic(path, text, secret ? 0600 : 0644);
  } catch (const std::exception& e) {
    NodeModified = true;
    ShowError(kCannotWrite, path, e.what());
    WriteFailed(path, e.what());
    return false;
  }
  nodeBase_ = Folder;
  nodeBaseText_ = text;
  NodeModified = false;
  return true;
}

bool TScrapList::SaveNode() {
  if (readOnly_ || folderPath_.empty() || !fs::DirectoryExists(folderPath_)) return true;
  const std::string path = NodeFilePath();
  if (nodeBlocked_) {
    // The user was told when it could not be read.
    NodeModified = true;
    WriteFailed(path, kLeftAloneText);
    return false;
  }
  Locked lock(*this);
  if (!lock) {
    NodeModified = true;
    ShowError(kCannotWrite, path, lock.Reason());
    WriteFailed(path, lock.Reason());
    return false;
  }
  return WriteNodeLocked();
}

bool TScrapList::OpenFolder(std::string_view path) {
  if (path.empty()) return true;
  const std::string p = PathWithSeparator(path);
  if (p == folderPath_) return true;
  SaveLog();
  // A read-only log forgets its changes; any other keeps its folder open
  // when they could not be saved.
  if (modified_ && !folderPath_.empty() && !readOnly_) return false;
  folderPath_ = p;
  if (!readOnly_ && !fs::DirectoryExists(p)) fs::ForceDirectories(p);
  LoadLog();
  return true;
}

void TScrapList::CloseWithoutSaving() {
  ResetArticles();
  folderPath_.clear();
  Folder = TFolderInfo{};
  nodeValid_ = false;
  modified_ = false;
  NodeModified = false;
  saveBlocked_ = false;
  nodeBlocked_ = false;
  nodeBase_ = TFolderInfo{};
  nodeBaseText_.clear();
  logStamp_ = {};
}

void TScrapList::SetFolderPath(std::string_view path) { folderPath_ = PathWithSeparator(path); }

// ---- the root definition ----

bool TScrapList::SetLogRoot(std::string_view path) {
  const std::string p = PathWithSeparator(path);
  if (p == "/" || p == "\\" || p == logRoot_) return true;
  SaveRootDef();
  SaveLog();
  if (modified_ && !folderPath_.empty() && !readOnly_) return false;
  ScheduleEnabled = false;
  ScheduleHours = 0;
  ScheduleMinute = 0;
  logRoot_ = p;
  rootBase_ = RootDefinition{};
  rootBaseText_.clear();
  rootBlocked_ = false;
  const DefinitionFile file = ReadDefinition(logRoot_ + std::string(kRootDefName), limits::kMaxRootDef,
                                             RootDefDamage, "weblog-damaged", ".def");
  rootBlocked_ = file.blocked;
  rootBaseText_ = file.text;
  // A damaged definition counts as none, once it is kept.
  if (!file.damaged && !file.text.empty()) {
    rootBase_ = ParseRootDef(file.text);
    ScheduleEnabled = rootBase_.ScheduleEnabled;
    ScheduleHours = rootBase_.ScheduleHours;
    ScheduleMinute = rootBase_.ScheduleMinute;
    lastFolder_ = rootBase_.LastFolder;
  }
  folderPath_.clear();
  return true;
}

bool TScrapList::ReloadRootDef() {
  if (logRoot_.empty() || rootBlocked_) return false;
  std::string text;
  if (fs::ReadFileText(logRoot_ + std::string(kRootDefName), text, limits::kMaxRootDef) != fs::ReadResult::kRead ||
      text == rootBaseText_ || !RootDefDamage(text).empty())
    return false;
  const RootDefinition theirs = ParseRootDef(text);
  const RootDefinition ours{ScheduleEnabled, ScheduleHours, ScheduleMinute, rootBase_.LastFolder};
  const RootDefinition merged = MergeRootDef(rootBase_, ours, theirs);
  const bool changed = merged.ScheduleEnabled != ScheduleEnabled || merged.ScheduleHours != ScheduleHours ||
                       merged.ScheduleMinute != ScheduleMinute;
  ScheduleEnabled = merged.ScheduleEnabled;
  ScheduleHours = merged.ScheduleHours;
  ScheduleMinute = merged.ScheduleMinute;
  rootBase_ = theirs;
  rootBaseText_ = text;
  return changed;
}

bool TScrapList::SaveRootDef() {
  if (logRoot_.empty() || readOnly_) return true;
  const std::string path = logRoot_ + std::string(kRootDefName);
  if (rootBlocked_) {
    WriteFailed(path, kLeftAloneText);
    return false;
  }
  FileLock lock;
  LockWait wait;
  wait.noticeAfterMs = LockNoticeMs;
  wait.limitMs = LockLimitMs;
  wait.waiting = [this](std::uint32_t ms) {
    if (OnLockWait) OnLockWait(logRoot_, ms);
  };
  std::string reason;
  const LockResult locked = lock.Acquire(logRoot_ + std::string(kRootLockName), wait, reason);
  if (locked != LockResult::kHeld) {
    if (locked == LockResult::kTimedOut) reason = kLockedByOtherText;
    ShowError(kCannotWrite, path, reason);
    WriteFailed(path, reason);
    return false;
  }
  RootDefinition def{ScheduleEnabled, ScheduleHours, ScheduleMinute, folderPath_};
  std::string disk;
  if (fs::ReadFileText(path, disk, limits::kMaxRootDef) == fs::ReadResult::kRead && disk != rootBaseText_ &&
      RootDefDamage(disk).empty()) {
    // Another program set the schedule meanwhile: what this one did not
    // change stays as that one wrote it.
    def = MergeRootDef(rootBase_, def, ParseRootDef(disk));
    ScheduleEnabled = def.ScheduleEnabled;
    ScheduleHours = def.ScheduleHours;
    ScheduleMinute = def.ScheduleMinute;
  }
  const std::string text = FormatRootDef(def);
  try {
    fs::WriteFileAtomic(path, text);
  } catch (const std::exception& e) {
    ShowError(kCannotWrite, path, e.what());
    WriteFailed(path, e.what());
    return false;
  }
  rootBase_ = def;
  rootBaseText_ = text;
  return true;
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
