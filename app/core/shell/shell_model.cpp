// The shell's display and command rules.
#include "app/core/shell/shell_model.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/compare.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"
#include "textlib/strutil.h"

namespace bq::app {

CommandWord MatchCommandWord(std::string_view text) {
  struct Entry {
    std::string_view word;
    CommandWord command;
  };
  static constexpr Entry kWords[] = {{"SHOW", CommandWord::Show},
                                     {"RUN", CommandWord::Run},
                                     {"FOLDER", CommandWord::Folder},
                                     {"ALL", CommandWord::All},
                                     {"QUIT", CommandWord::Quit}};
  for (const Entry& e : kWords)
    if (StartsWithNoCase(text, e.word)) return e.command;
  return CommandWord::None;
}

const std::string& RootCaption() {
  static const std::string caption = Utf8ToSjis("インターネット");
  return caption;
}

std::string FolderNodeCaption(std::string_view name, int unread, bool showCount) {
  std::string caption(name);
  if (showCount && unread > 0) caption += " (" + std::to_string(unread) + ")";
  return caption;
}

int FolderImageIndex(bool isTop, bool hasUnread, bool roundTarget, bool selected) {
  if (isTop) return 0;
  return (hasUnread ? 3 : 1) + (roundTarget ? 4 : 0) + (selected ? 1 : 0);
}

std::vector<std::string> SubfolderNames(std::string_view path) {
  std::string dir = fs::IncludeTrailingSeparator(path);
  std::vector<std::string> names;
  for (const auto& e : fs::ListDir(dir))
    if (e.isDir && e.name != "." && e.name != "..") names.push_back(e.name);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int c = CompareTextIgnoreCase(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

bool HasSubfolders(std::string_view path) {
  for (const auto& e : fs::ListDir(fs::IncludeTrailingSeparator(path)))
    if (e.isDir && e.name != "." && e.name != "..") return true;
  return false;
}

std::string NodePath(std::string_view logRoot, const std::vector<std::string>& captions) {
  std::string path = fs::IncludeTrailingSeparator(logRoot);
  for (const auto& c : captions) path += c + "/";
  return path;
}

std::vector<std::string> NodeCaptions(std::string_view logRoot, std::string_view path) {
  std::string root = fs::IncludeTrailingSeparator(fs::NormalizeSeparators(logRoot));
  std::string p = fs::IncludeTrailingSeparator(fs::NormalizeSeparators(path));
  std::vector<std::string> out;
  if (p.size() < root.size() || CompareTextIgnoreCase(p.substr(0, root.size()), root) != 0) return out;
  std::string_view rest = std::string_view(p).substr(root.size());
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) slash = rest.size();
    if (slash > 0) out.emplace_back(rest.substr(0, slash));
    rest.remove_prefix(std::min(rest.size(), slash + 1));
  }
  return out;
}

bool MachineInProgramZone() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  return localtime_r(&now, &local) != nullptr && local.tm_gmtoff == kLocalOffsetSeconds;
}

std::string ClockText(std::uint32_t date, bool namesZone) {
  std::string text(1, ' ');
  if (namesZone) text.append(Utf8ToSjis("日本時間")).push_back(' ');
  return text.append(DisplayTime(date));
}

std::string ClockText() { return ClockText(NowDate(), !MachineInProgramZone()); }

std::string ProgramZoneNotice() {
  return MachineInProgramZone() ? std::string() : Utf8ToSjis("時刻は日本時間 (UTC+9) で表示します");
}

std::string InstanceKey(std::string_view user, std::string_view settingsPath) {
  // FNV-1a of the settings path: the same file always gives the same key.
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : settingsPath) {
    h ^= c;
    h *= 1099511628211ull;
  }
  std::string safeUser;
  for (char c : user) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    safeUser.push_back(ok ? c : '_');
    if (safeUser.size() >= 40) break;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return "brindlequay-" + safeUser + "-" + hex;
}

}  // namespace bq::app
