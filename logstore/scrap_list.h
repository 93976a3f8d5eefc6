#pragma once
// TScrapList: the article log of the open site folder, with the folder's
// definition and the round schedule of the log root.
//
// The list holds one record per article in display order. An index on the
// identity (TOPIC, REFER, DATE) is kept in step with it, so AddItem's
// identity check costs the same for the first and the millionth article;
// after a load it is built at the first lookup.
//
// Files: kvllog.dat (articles), kvlnode.web (folder definition) in the open
// folder, weblog.def (schedule, last folder) in the log root. Every rewrite
// goes through a temporary file and a rename, so a crash leaves the old file
// whole. A failed save keeps the articles marked as changed, so the next save
// tries again. A log that could not be read to its end is copied aside before
// anything may overwrite it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "logstore/data_info.h"
#include "logstore/folder_info.h"

namespace bq {

class UserInterface;

// The fixed absolute folder of older installations whose LINK values are
// mapped into the log root by the path toggle.
inline constexpr std::string_view kLegacyLogFolder = "C:\\Program Files\\Brindlequay\\Log\\";

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
  void SaveLog();
  // Writes the node file when the open folder's directory exists.
  void SaveNode();
  // False, and nothing changed, when the open log could not be saved.
  bool SetLogRoot(std::string_view path);
  void SaveRootDef();
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

  // Articles.
  int Count() const { return static_cast<int>(items_.size()); }
  int AddItem(const TDataInfo& article, bool overwrite);
  int IndexOfItem(const TDataInfo& article) const;
  int RemoveItem(const TDataInfo& article);
  bool DeleteTopic(std::int32_t topic);
  void DeleteSelected();
  void Clear();
  TDataInfo GetItem(int index) const;
  TDataInfo GetTopic(std::int32_t topic) const;
  int IndexOfTopic(std::int32_t topic) const;
  // Read access without a copy; nullptr when out of range.
  const TDataInfo* Item(int index) const;
  std::uint32_t LatestDate() const;
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
  bool IsDuplicate(const TDataInfo& a, const TDataInfo& b) const;
  void SortItems(int mode);
  std::string TreeTitle(int index) const;
  // The same for a stored article (found by its place in the list, or else
  // by its identity); the display title alone when it is not stored.
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

  bool Descending = false;
  bool NodeModified = false;
  bool ScheduleEnabled = false;
  std::uint32_t ScheduleHours = 0;
  std::uint16_t ScheduleMinute = 0;
  TFolderInfo Folder;
  std::function<void(TScrapList&, const TDataInfo&)> OnAddItem;

 private:
  friend class ThreadLayout;
  void Erase(std::size_t index);
  void IndexAdd(TDataInfo* a);
  void IndexRemove(TDataInfo* a);
  void EnsureIndex() const;
  void RenumberIfNeeded() const;
  void SetHasUnread(bool value);
  bool AnyUnread() const;
  void KeepUnreadableLog(const std::string& path);
  void ShowError(std::string_view what, const std::string& path, std::string_view reason) const;
  void ColumnSort(int mode);
  void ThreadSort();
  std::uint32_t Now() const;
  // First index with this TOPIC and last index with this REFER, built lazily.
  void BuildTitleMaps() const;

  UserInterface& ui_;
  Clock clock_;
  std::vector<std::unique_ptr<TDataInfo>> items_;
  mutable std::unordered_multimap<ArticleKey, TDataInfo*, ArticleKeyHash> identity_;
  mutable bool indexValid_ = true;
  mutable bool positionsValid_ = true;
  mutable bool titleMapsValid_ = false;
  mutable std::unordered_map<std::uint32_t, int> firstOfTopic_;
  mutable std::unordered_map<std::uint32_t, int> lastOfRefer_;

  std::string logRoot_;
  std::string lastFolder_;
  std::string folderPath_;
  std::string searchText_;
  std::string savedAside_;
  bool modified_ = false;
  bool nodeValid_ = false;
  bool saveBlocked_ = false;
  int sortMode_ = 0;
  std::int32_t loadTime_ = 0;
  std::int32_t sortTime_ = 0;
};

// "Re:", then "Fw:", then "Fwd:" removed from the front, each at most once.
std::string_view StripReplyPrefix(std::string_view title);

}  // namespace bq
