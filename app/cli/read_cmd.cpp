// brindlequay-cli show FOLDER TOPIC [--refer N] [--keep-unread]
//                 mark FOLDER (--read|--unread) (TOPIC...|--all)
//                 delete FOLDER TOPIC...
//                 clear FOLDER [--yes]
//                 find FOLDER TEXT
// Reading a folder's articles from the terminal. Every change goes through
// the log's own operations, so HasUnread and the node file follow as they do
// in the desktop list, and the log is saved through its atomic rewrite.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/cli/cli_app.h"
#include "app/cli/terminal.h"
#include "app/core/list/article_list.h"
#include "app/core/list/body_lines.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::cli {

namespace {

constexpr char kShowUsage[] = "show FOLDER TOPIC [--refer N] [--keep-unread]";
constexpr char kMarkUsage[] = "mark FOLDER (--read|--unread) (TOPIC...|--all)";
constexpr char kDeleteUsage[] = "delete FOLDER TOPIC...";
constexpr char kClearUsage[] = "clear FOLDER [--yes]";
constexpr char kFindUsage[] = "find FOLDER TEXT";

// A topic number as the list prints it; values up to 2^32-1 are taken too,
// since topics compare unsigned.
std::optional<std::int32_t> ParseTopic(const std::string& s) {
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  long long n = std::strtoll(s.c_str(), &end, 10);
  if (*end != 0 || n < INT32_MIN || n > static_cast<long long>(UINT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
}

// The application with the folder open; nullptr (message shown) when the
// folder does not exist.
std::unique_ptr<CliApp> OpenFolderApp(const GlobalOptions& options, const std::string& arg,
                                      Access access = Access::kReadWrite) {
  auto cli = OpenApp(options, access);
  std::string path = FolderArgument(cli->app, arg);
  if (!fs::DirectoryExists(path)) {
    std::fprintf(stderr, "no such folder: %s\n", TerminalText(path).c_str());
    return nullptr;
  }
  if (!app::TKernel::Log(cli->app).OpenFolder(path)) return nullptr;
  return cli;
}

// Selects every article with one of the topics; false (nothing selected,
// the missing topic named) when a topic has no article.
bool SelectTopics(TScrapList& log, const std::vector<std::int32_t>& topics) {
  log.ClearSelected();
  for (std::int32_t t : topics) {
    bool found = false;
    for (int i = 0; i < log.Count(); ++i) {
      if (log.View(i).TOPIC != t) continue;
      log.SetSelected(i, true);
      found = true;
    }
    if (!found) {
      std::fprintf(stderr, "no article with topic %d\n", t);
      log.ClearSelected();
      return false;
    }
  }
  return true;
}

bool ParseTopics(const Args& args, std::size_t from, std::vector<std::int32_t>& topics) {
  for (std::size_t i = from; i < args.size(); ++i) {
    auto t = ParseTopic(args[i]);
    if (!t) return false;
    topics.push_back(*t);
  }
  return true;
}

void PrintSummary(const TScrapList& log) {
  std::printf("%d unread, %d total\n", log.UnreadCount(), log.Count());
}

void PrintArticle(const TScrapList& log, const TDataInfo& a) {
  std::string person = a.AUTHOR + (a.MAILTO.empty() ? "" : " <" + a.MAILTO + ">");
  std::string date = DisplayDateTime(a.DATE) + (a.HOST.empty() ? "" : " (" + a.HOST + ")");
  std::printf("Topic:  %d%s\n", a.TOPIC,
              a.REFER ? (" (reply to " + std::to_string(a.REFER) + ")").c_str() : "");
  std::printf("Title:  %s\n", TerminalText(a.TITLE).c_str());
  std::printf("Author: %s\n", TerminalText(person).c_str());
  std::printf("Date:   %s\n", TerminalText(date).c_str());
  if (!a.HP.empty()) std::printf("Home:   %s\n", TerminalText(a.HP).c_str());
  if (!a.PAGEURL.empty()) std::printf("Page:   %s\n", TerminalText(a.PAGEURL).c_str());
  if (!a.LINK.empty()) std::printf("Link:   %s\n", TerminalText(log.ConvertLogPath(a.LINK)).c_str());
  std::printf("\n");
  // Quote blocks are marked with "| " in the margin, other lines indented.
  for (const auto& line : app::BodyLines(a.BODY)) {
    std::string margin = line.quote ? "|" : "";
    if (!line.text.empty()) margin.resize(2, ' ');
    std::printf("%s%s\n", margin.c_str(), TerminalText(line.text).c_str());
  }
}

// Asks on a terminal; without one only --yes agrees.
bool Confirmed(const std::string& question, bool yes) {
  if (yes) return true;
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "not asking without a terminal: add --yes\n");
    return false;
  }
  std::printf("%s [y/N] ", question.c_str());
  std::fflush(stdout);
  std::string answer;
  if (!ReadStdinLine(answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

// SaveLog shows its own error and leaves the log marked as changed when the
// file could not be written; the command then must not report success.
bool Saved(TScrapList& log) {
  log.SaveLog();
  return !log.Modified();
}

// After a deletion the log's HasUnread stays as it was until the next load;
// loading the saved log once more brings it and the node file in step.
bool SavedAndReloaded(TScrapList& log) {
  if (!Saved(log)) return false;
  log.LoadLog();
  return true;
}

}  // namespace

int ShowCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() < 2) return UsageError(kShowUsage);
  auto topic = ParseTopic(args[1]);
  std::optional<std::int32_t> refer;
  bool keepUnread = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--keep-unread") {
      keepUnread = true;
    } else if (args[i] == "--refer" && i + 1 < args.size()) {
      refer = ParseTopic(args[++i]);
      if (!refer) return UsageError(kShowUsage);
    } else {
      return UsageError(kShowUsage);
    }
  }
  if (!topic) return UsageError(kShowUsage);
  auto cli = OpenFolderApp(options, args[0], keepUnread ? Access::kReadOnly : Access::kReadWrite);
  if (!cli) return 1;
  TScrapList& log = app::TKernel::Log(cli->app);
  int index = -1;
  for (int i = 0; i < log.Count() && index < 0; ++i)
    if (log.View(i).TOPIC == *topic && (!refer || log.View(i).REFER == *refer)) index = i;
  if (index < 0) {
    std::fprintf(stderr, "no article with topic %d\n", *topic);
    return 1;
  }
  PrintArticle(log, log.GetItem(index));
  if (!keepUnread) {
    log.MarkRead(index);
    if (!Saved(log)) return 1;
  }
  return 0;
}

int MarkCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() < 3) return UsageError(kMarkUsage);
  const std::string& how = args[1];
  if (how != "--read" && how != "--unread") return UsageError(kMarkUsage);
  bool all = args.size() == 3 && args[2] == "--all";
  std::vector<std::int32_t> topics;
  if (!all && !ParseTopics(args, 2, topics)) return UsageError(kMarkUsage);
  auto cli = OpenFolderApp(options, args[0]);
  if (!cli) return 1;
  TScrapList& log = app::TKernel::Log(cli->app);
  if (all) {
    for (int i = 0; i < log.Count(); ++i) log.SetSelected(i, true);
  } else if (!SelectTopics(log, topics)) {
    return 1;
  }
  log.SetSelectedUnread(how == "--unread");
  log.ClearSelected();
  if (!Saved(log)) return 1;
  PrintSummary(log);
  return 0;
}

int DeleteCommand(const Args& args, const GlobalOptions& options) {
  std::vector<std::int32_t> topics;
  if (args.size() < 2 || !ParseTopics(args, 1, topics)) return UsageError(kDeleteUsage);
  auto cli = OpenFolderApp(options, args[0]);
  if (!cli) return 1;
  TScrapList& log = app::TKernel::Log(cli->app);
  if (!SelectTopics(log, topics)) return 1;
  log.DeleteSelected();
  if (!SavedAndReloaded(log)) return 1;
  PrintSummary(log);
  return 0;
}

int ClearCommand(const Args& args, const GlobalOptions& options) {
  bool yes = false;
  std::string folder;
  for (const auto& a : args) {
    if (a == "--yes") {
      yes = true;
    } else if (!a.empty() && a[0] != '-' && folder.empty()) {
      folder = a;
    } else {
      return UsageError(kClearUsage);
    }
  }
  if (folder.empty()) return UsageError(kClearUsage);
  auto cli = OpenFolderApp(options, folder);
  if (!cli) return 1;
  TScrapList& log = app::TKernel::Log(cli->app);
  std::string question =
      "delete all " + std::to_string(log.Count()) + " articles of " + TerminalText(log.FolderPath()) + "?";
  if (!Confirmed(question, yes)) return 1;
  log.Clear();
  if (!SavedAndReloaded(log)) return 1;
  // A folder that never had a node file gets one, so it reads as a folder.
  log.SaveNode();
  PrintSummary(log);
  return 0;
}

int FindCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() != 2 || args[1].empty()) return UsageError(kFindUsage);
  auto cli = OpenFolderApp(options, args[0], Access::kReadOnly);
  if (!cli) return 1;
  TScrapList& log = app::TKernel::Log(cli->app);
  log.SortItems(0);
  const std::string text = Utf8ToSjis(args[1]);
  int found = 0;
  const app::TArticleList rows(cli->app);  // the row texts of `list`
  for (int i = log.FindText(text, -1, true); i >= 0; i = log.FindText(text, i, true)) {
    std::printf("%s\n", TerminalText(rows.RowLine(i)).c_str());
    ++found;
  }
  return found > 0 ? 0 : 1;
}

}  // namespace bq::cli
