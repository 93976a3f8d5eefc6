#include "logstore/folder_ops.h"

#include "logstore/scrap_list.h"
#include "platform/compare.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "textlib/strutil.h"

namespace bq {
namespace {

constexpr std::string_view kCaption = "Brindlequay";
constexpr std::string_view kNewFolder = "\x90V\x82\xb5\x82\xa2\x83t\x83H\x83\x8b\x83_";  // 新しいフォルダ
constexpr std::string_view kCannotRename =
    "\x96\xbc\x91O\x82\xcc\x95\xcf\x8dX\x82\xaa\x8fo\x97\x88\x82\xdc\x82\xb9\x82\xf1\x81I";
constexpr std::string_view kAllGone =
    " \x88\xc8\x89\xba\x82\xcc\x83\x66\x81[\x83^\x82\xcd\x91S\x82\xc4\x8f\xc1\x82\xa6\x82\xdc\x82\xb7\x81I"
    "\r\n\x82\xd9\x82\xf1\x82\xc6\x82\xc9\x82\xa2\x82\xa2\x81H";
constexpr std::string_view kCannotDelete =
    " \x82\xaa\x8d\xed\x8f\x9c\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd!";
constexpr int kMaxNewFolderNumber = 100000;

std::string WithoutSeparator(std::string_view path) {
  std::string p(path);
  while (p.size() > 1 && (p.back() == '/' || (p.back() == '\\' && !IsTrailPosition(p, p.size() - 1)))) {
    p.pop_back();
  }
  return p;
}

bool HoldsSeparator(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '/' || (name[i] == '\\' && !IsTrailPosition(name, i))) return true;
  }
  return false;
}

// Removes everything below dir, deepest first. Returns false when something
// stayed; each folder that could not be removed is reported.
bool RemoveTree(UserInterface& ui, const std::string& dir) {
  struct Pending {
    std::string path;
    bool expanded;
  };
  std::vector<Pending> stack{{dir, false}};
  bool ok = true;
  while (!stack.empty()) {
    Pending& top = stack.back();
    if (!top.expanded) {
      top.expanded = true;
      const std::string base = top.path;
      for (const fs::DirEntry& e : fs::ListDir(base)) {
        const std::string child = base + e.name;
        if (e.isDir && !fs::IsSymbolicLink(child)) {
          stack.push_back({child + "/", false});
        } else {
          fs::DeleteFile(child);
        }
      }
      continue;
    }
    const std::string path = top.path;
    stack.pop_back();
    if (!fs::RemoveDir(path)) {
      ok = false;
      ui.MessageBox(WithoutSeparator(path) + std::string(kCannotDelete), kCaption, kMbOk);
    }
  }
  return ok;
}

std::string HistoryKey(std::string_view folder) { return PathWithSeparator(folder); }

}  // namespace

std::string NewFolderName(std::string_view parentPath) {
  const std::string parent = PathWithSeparator(parentPath);
  for (int n = 1; n < kMaxNewFolderNumber; ++n) {
    std::string name = std::string(kNewFolder) + std::to_string(n);
    if (!fs::FileExists(parent + name) && !fs::DirectoryExists(parent + name)) return name;
  }
  return std::string(kNewFolder) + std::to_string(kMaxNewFolderNumber);
}

std::string CreateNewFolder(std::string_view parentPath) {
  const std::string name = NewFolderName(parentPath);
  if (!fs::CreateDir(PathWithSeparator(parentPath) + name)) throw FolderError("Cannot create " + name);
  return name;
}

bool RenameSiteFolder(TScrapList& log, UserInterface& ui, std::string_view path, std::string_view newName) {
  const std::string from = WithoutSeparator(path);
  const std::string parent = fs::ExtractFilePath(from);
  const std::string to = parent + std::string(newName);
  const bool ok = !newName.empty() && !HoldsSeparator(newName) && newName != "." && newName != ".." &&
                  !parent.empty() && !fs::FileExists(to) && !fs::DirectoryExists(to) &&
                  fs::RenameFile(from, to);
  if (!ok) {
    ui.MessageBox(kCannotRename, kCaption, kMbOk);
    return false;
  }
  const std::string oldPrefix = from + "/";
  const std::string& open = log.FolderPath();
  if (open.compare(0, oldPrefix.size(), oldPrefix) == 0) {
    log.SetFolderPath(to + "/" + open.substr(oldPrefix.size()));
  }
  return true;
}

bool DeleteSiteFolder(TScrapList& log, UserInterface& ui, std::string_view path, std::string_view caption) {
  const std::string dir = PathWithSeparator(path);
  if (dir == log.LogRoot() || !fs::DirectoryExists(dir)) return false;
  if (ui.MessageBox(std::string(caption) + std::string(kAllGone), kCaption, kMbYesNo) != kIdYes) {
    return false;
  }
  if (log.FolderPath().compare(0, dir.size(), dir) == 0) log.CloseWithoutSaving();
  if (fs::IsSymbolicLink(dir)) return fs::DeleteFile(WithoutSeparator(dir));
  return RemoveTree(ui, dir);
}

void PutFirstInHistory(std::vector<std::string>& history, std::string_view folder) {
  const std::string key = HistoryKey(folder);
  std::vector<std::string> kept{std::string(folder)};
  for (const std::string& h : history) {
    if (h.empty() || CompareTextIgnoreCase(HistoryKey(h), key) == 0) continue;
    kept.push_back(h);
  }
  if (kept.size() > kMaxDataFolderHistory) kept.resize(kMaxDataFolderHistory);
  history = std::move(kept);
}

std::vector<std::string> HistoryMenuEntries(const std::vector<std::string>& history) {
  std::vector<std::string> out;
  for (const std::string& h : history) {
    if (!h.empty() && fs::DirectoryExists(h)) out.push_back(PathWithSeparator(h));
  }
  return out;
}

std::string NextHistoryEntry(const std::vector<std::string>& history, std::string_view current) {
  if (history.empty()) return {};
  const std::string key = HistoryKey(current);
  for (std::size_t i = 0; i < history.size(); ++i) {
    if (CompareTextIgnoreCase(HistoryKey(history[i]), key) == 0) return history[(i + 1) % history.size()];
  }
  return history.front();
}

}  // namespace bq
