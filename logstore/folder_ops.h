#pragma once
// The disk side of the folder tree's actions: new folder, rename, delete, and
// the history of data folders. The tree widget itself lives in the shell.
#include <string>
#include <string_view>
#include <vector>

#include "textlib/error.h"

namespace bq {

class TScrapList;
class UserInterface;

class FolderError : public Exception {
 public:
  using Exception::Exception;
};

// "新しいフォルダ" followed by the smallest n >= 1 for which no entry of that
// name exists in the parent folder.
std::string NewFolderName(std::string_view parentPath);
// Creates that folder and returns its name; raises FolderError
// "Cannot create " + name when it cannot be made.
std::string CreateNewFolder(std::string_view parentPath);

// Moves the folder at path to its parent plus newName. The open folder (or
// one inside it) follows the new path. A name that is empty, holds a
// separator, or is taken already fails like any other rename: the message
// "名前の変更が出来ません！" is shown and false returned.
bool RenameSiteFolder(TScrapList& log, UserInterface& ui, std::string_view path, std::string_view newName);

// Asks caption + " 以下のデータは全て消えます！\r\nほんとにいい？" with Yes and No. On Yes
// removes everything below the folder depth-first (symbolic links are removed,
// never followed), then the folder; each folder that cannot be removed is
// reported as its path + " が削除できませんでした!". When the open folder was
// inside, the open log is dropped without saving. The log root itself is
// never deleted. True when the folder is gone.
bool DeleteSiteFolder(TScrapList& log, UserInterface& ui, std::string_view path, std::string_view caption);

// The data-folder history, most recent first, at most 8 entries.
inline constexpr std::size_t kMaxDataFolderHistory = 8;
// Puts folder first; an equal entry (ignoring case and a trailing separator)
// and empty entries go; beyond 8 entries the last is dropped.
void PutFirstInHistory(std::vector<std::string>& history, std::string_view folder);
// The entries that exist, each with a trailing separator, for the menu.
std::vector<std::string> HistoryMenuEntries(const std::vector<std::string>& history);
// The entry after current, wrapping to the first; the first when current is
// not listed; empty for an empty history.
std::string NextHistoryEntry(const std::vector<std::string>& history, std::string_view current);

}  // namespace bq
