#pragma once
// TScrapList: the article log of the open site folder, with the folder's
// definition and the round schedule of the log root.
//
// The articles are held compactly by TArticleStore (one block of text per
// loaded file, a small record per article); an index on the identity
// (TOPIC, REFER, DATE) is built at the first lookup, so AddItem's identity
// check costs the same for the first and the millionth article.
//
// Files: kvllog.dat (articles), kvlnode.web (folder definition) in the open
// folder, weblog.def (schedule, last folder) in the log root. Every rewrite
// goes through a temporary file and a rename, so a crash leaves the old file
// whole, and keeps the file's permission bits. A failed save keeps the
// articles marked as changed, so the next save tries again, and is listed
// in FailedWrites.
//
// Two programs on one data folder. Every write of a folder's log or node
// file happens under the folder's lock (kvllog.lck, flock), and weblog.def's
// under the root's (weblog.lck); the lock is held for the read, merge and
// write only. The log knows its own changes since it was loaded or saved:
// articles stored (by identity), overwritten, deleted and read marks set,
// and which fields of the definition it changed. When the file on disk is
// not the version this process read, a save reads it again under the lock,
// applies those changes to it and writes the result, so what the other
// program saved stays. The definition files merge field by field the same
// way.
//
// Damaged files are kept: a log that could not be read to its end, a node
// file or weblog.def that is not in its format, is copied aside once under a
// name that says so before anything may overwrite it; one that cannot be
// read at all is left alone and never overwritten. A read-only log never
// writes anything.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "logstore/article_store.h"
#include "logstore/data_info.h"
#include "logstore/place_index.h"
#include "logstore/folder_info.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace bq {

class UserInterface;

// The fixed absolute folder of older installations whose LINK values are
// mapped into the log root by the path toggle.
inline constexpr std::string_view kLegacyLogFolder = "C:\\Program Files\\Brindlequay\\Log\\";
// The lock files: one per site folder (its log and node file), one in the
// log root (weblog.def).
inline constexpr std::string_view kFolderLockName = "kvllog.lck";
inline constexpr std::string_view kRootLockName = "weblog.lck";

class TScrapList {
 public:
  using Clock = std::function<std::uint32_t()>;  // milliseconds
  // ui shows the load and save errors; clock measures load and sort times.
  explicit TScrapList(UserInterface& ui, Clock clock = {});
  ~TScrapList();
  TScrapList(const TScrapList&) = delete;
  TScrapList& operator=(const TScrapList&) = delete;

  // Folder and files.
  // False when the open log could not be saved: the old folder then stays
  // open with its articles, so nothing is lost (the message was shown).
  bool OpenFolder(std::string_view path);
  void LoadLog();
  // True when everything changed is on disk (or nothing was to be written).
  bool SaveLog();
  // Writes the node file when the open folder's directory exists.
  bool SaveNode();
  // False, and nothing changed, when the open log could not be saved.
  bool SetLogRoot(std::string_view path);
  bool SaveRootDef();
  // Reads weblog.def again when another program rewrote it; the schedule
  // follows the file. True when the schedule changed.
  bool ReloadRootDef();
  void SetFolderPath(std::string_view path);
  // The open log is dropped without saving (its folder was deleted).
  void CloseWithoutSaving();
  struct FolderFlags {
    bool RoundTarget = false;
    bool HasUnread = false;
    bool HasAddress = false;  // SiteUrl is set
  };
  FolderFlags ReadFolderFlags(std::string_view folderPath) const;
  bool IsRoundTime(int hour, int minute) const;
  std::string LogFilePath() const;
  std::string NodeFilePath() const;

  // Two programs on one data folder.
  // True when the open folder's log or node file on disk is no longer the
  // version this process loaded or last saved (another program saved it).
  bool ChangedOnDisk() const;
  // True when this process holds changes not yet saved.
  bool HasOwnChanges() const { return modified_ || NodeModified; }
  // Reads the open folder's log and node file again, with this process's
  // own changes applied over them (nothing is written). Articles keep their
  // Selected flag (by identity) and the last sort is repeated. False, with
  // the message shown and the log as it was, when the file cannot be read.
  bool Reload();
  // A read-only log (the commands that only show) never writes a file: no
  // save, no node file for a corrected unread mark, no copy of a damaged file.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool ReadOnly() const { return readOnly_; }
  // Every file whose write failed since the list was last cleared, each
  // with what happened ("path: reason").
  const std::vector<std::string>& FailedWrites() const { return failedWrites_; }
  void ClearFailedWrites() { failedWrites_.clear(); }
  // A write waits for another program that holds the folder's lock: after
  // LockNoticeMs it calls OnLockWait about once a second (the folder, the
  // time waited), after LockLimitMs the write fails.
  std::function<void(const std::string& folder, std::uint32_t waitedMs)> OnLockWait;
  std::uint32_t LockNoticeMs = 5000;
  std::uint32_t LockLimitMs = 60000;

  // Articles.
  int Count() const { return static_cast<int>(store_.Count()); }
  int AddItem(const TDataInfo& article, bool overwrite);
  int IndexOfItem(const TDataInfo& article) const;
  int IndexOfKey(const ArticleKey& key) const;
  int RemoveItem(const TDataInfo& article);
  bool DeleteTopic(std::int32_t topic);
  void DeleteSelected();
  void Clear();
  TDataInfo GetItem(int index) const;
  TDataInfo GetTopic(std::int32_t topic) const;
  int IndexOfTopic(std::int32_t topic) const;
  // The article at index read in place (the empty article when out of
  // range); its texts stay valid until the log next changes.
  ArticleView View(int index) const;
  ArticleKey KeyAt(int index) const;
  // An article's name for as long as the log is not loaded, reloaded or
  // merged: it survives sorts, appends and deletions of others.
  std::uint32_t ArticleId(int index) const;
  int IndexOfArticleId(std::uint32_t id) const { return store_.IndexOf(id); }
  std::uint32_t LatestDate() const;
  // The read and selection marks counted in one pass.
  struct MarkCounts {
    int unread = 0, selected = 0;
    bool selectedUnread = false;  // some selected article is unread
  };
  MarkCounts Marks() const;
  int UnreadCount() const;
  int SelectedCount() const;
  bool SelectedHasUnread() const;
  bool IsSelected(int index) const;
  void SetSelected(int index, bool selected);
  void ClearSelected();
  bool IsUnread(int index) const;
  void MarkRead(int index);
  void SetSelectedUnread(bool unread);
  int FindText(std::string_view text, int from, bool forward);
  bool IsDuplicate(const ArticleView& a, const ArticleView& b) const;
  bool IsDuplicate(const TDataInfo& a, const TDataInfo& b) const;
  void SortItems(int mode);
  std::string TreeTitle(int index) const;
  // The same for a stored article found by its identity; the display title
  // alone when it is not stored.
  std::string TreeTitle(const TDataInfo& article) const;
  std::string DisplayTitle(std::string_view title) const;
  std::string ConvertLogPath(std::string_view value) const;

  // State.
  const std::string& LogRoot() const { return logRoot_; }
  const std::string& LastFolder() const { return lastFolder_; }
  const std::string& FolderPath() const { return folderPath_; }
  bool Modified() const { return modified_; }
  bool NodeValid() const { return nodeValid_; }
  int SortMode() const { return sortMode_; }
  const std::string& SearchText() const { return searchText_; }
  std::int32_t LoadTime() const { return loadTime_; }
  std::int32_t SortTime() const { return sortTime_; }
  // Where the last unreadable log was copied to (empty when none).
  const std::string& SavedAsidePath() const { return savedAside_; }
  // Why the open log could not be read to its end (empty when it was).
  const std::string& LoadError() const { return loadError_; }

  bool Descending = false;
  bool NodeModified = false;
  bool ScheduleEnabled = false;
  std::uint32_t ScheduleHours = 0;
  std::uint16_t ScheduleMinute = 0;
  TFolderInfo Folder;
  // Raised after a new article was appended, with the article as given.
  std::function<void(TScrapList&, const TDataInfo&)> OnAddItem;

 private:
  friend class ThreadLayout;
  class Locked;
  // A file read whole, and what kind of trouble it was in.
  struct DefinitionFile;

  void SetHasUnread(bool value);
  bool AnyUnread() const;
  void ShowError(std::string_view what, const std::string& path, std::string_view reason) const;
  void WriteFailed(const std::string& path, std::string_view reason);
  template <typename Visit>
  void ForEachLive(Visit visit) const;
  void ColumnSort(int mode);
  void ThreadSort();
  std::uint32_t Now() const;
  void BuildTitleMaps() const;
  void ResetArticles();

  // Loading and merging.
  bool ReadLogInto(TArticleStore& store, fs::FileStamp& stamp, std::string& error);
  void KeepUnreadableLog(const std::string& path);
  void ReadNodeFile();
  bool MergeWithDisk(std::string& error);
  void ApplyOwnChanges(TArticleStore& fresh) const;
  void CarrySelection(TArticleStore& fresh) const;
  bool WriteLog(std::string& error);
  bool WriteNodeLocked();
  DefinitionFile ReadDefinition(const std::string& path, std::size_t maxSize,
                                std::string (*damageOf)(std::string_view), std::string_view stem,
                                std::string_view ext);

  UserInterface& ui_;
  Clock clock_;
  TArticleStore store_;
  mutable bool titleMapsValid_ = false;
  // The places of each TOPIC and REFER, for the tree lines of the titles.
  mutable PlaceIndex topics_;
  mutable PlaceIndex refers_;

  std::string logRoot_;
  std::string lastFolder_;
  std::string folderPath_;
  std::string searchText_;
  std::string savedAside_;
  std::string loadError_;
  bool modified_ = false;
  bool nodeValid_ = false;
  bool saveBlocked_ = false;
  bool readOnly_ = false;
  int sortMode_ = 0;
  bool sorted_ = false;  // SortItems ran since the load: a merge sorts again
  bool sortedDescending_ = false;
  std::int32_t loadTime_ = 0;
  std::int32_t sortTime_ = 0;
  std::vector<std::string> failedWrites_;

  // The versions on disk this process last read or wrote.
  fs::FileStamp logStamp_;
  TFolderInfo nodeBase_;
  std::string nodeBaseText_;
  bool nodeBlocked_ = false;  // the node file could not be read: never overwritten
  RootDefinition rootBase_;
  std::string rootBaseText_;
  bool rootBlocked_ = false;
  // Lock depth per file set, so a save inside a save does not lock twice.
  FileLock folderLock_;
  int folderLockDepth_ = 0;
};

// The log-root path toggle of a LINK value against the given log root.
std::string ConvertLogPath(std::string_view logRoot, std::string_view value);

// "Re:", then "Fw:", then "Fwd:" removed from the front, each at most once.
std::string_view StripReplyPrefix(std::string_view title);

}  // namespace bq
