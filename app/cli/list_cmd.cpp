// brindlequay-cli list FOLDER [--unread] [--json]: the articles in thread
// order, as text lines or as JSON with every field (UTF-8).
#include <cstdio>

#include "app/cli/cli_app.h"
#include "app/core/list/article_list.h"
#include "app/cli/terminal.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::cli {

namespace {

constexpr char kListUsage[] = "list FOLDER [--unread] [--json]";

std::string JsonString(std::string_view sjis) {
  std::string utf8 = SjisToUtf8(sjis);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void PrintJson(const TScrapList& log, int i, bool first) {
  const ArticleView a = log.View(i);
  std::printf("%s\n  {\"TOPIC\": %d, \"REFER\": %d, \"DATE\": %u, \"Unread\": %s, \"RESERVED\": %d", first ? "" : ",",
              a.TOPIC, a.REFER, a.DATE, a.Unread ? "true" : "false", a.RESERVED);
  const std::pair<const char*, const std::string_view*> texts[] = {
      {"TITLE", &a.TITLE}, {"AUTHOR", &a.AUTHOR}, {"MAILTO", &a.MAILTO}, {"HP", &a.HP},     {"PAGEURL", &a.PAGEURL},
      {"BODY", &a.BODY},   {"HEAD", &a.HEAD},     {"HOST", &a.HOST},     {"LINK", &a.LINK}};
  for (const auto& [name, value] : texts) std::printf(", \"%s\": %s", name, JsonString(*value).c_str());
  std::printf(", \"TreeTitle\": %s, \"DisplayDate\": %s}", JsonString(log.TreeTitle(i)).c_str(),
              JsonString(DisplayDateTime(a.DATE)).c_str());
}

}  // namespace

int ListCommand(const Args& args, const GlobalOptions& options) {
  std::string folder;
  bool unreadOnly = false, json = false;
  for (const auto& a : args) {
    if (a == "--unread") {
      unreadOnly = true;
    } else if (a == "--json") {
      json = true;
    } else if (!a.empty() && a[0] != '-' && folder.empty()) {
      folder = a;
    } else {
      return UsageError(kListUsage);
    }
  }
  if (folder.empty()) return UsageError(kListUsage);
  auto cli = OpenApp(options, Access::kReadOnly);
  TScrapList& log = app::TKernel::Log(cli->app);
  std::string path = FolderArgument(cli->app, folder);
  if (!fs::DirectoryExists(path)) {
    std::fprintf(stderr, "no such folder: %s\n", TerminalText(path).c_str());
    return 1;
  }
  cli->app.OpenFolderForShowing(path);
  if (json) std::printf("[");
  const app::TArticleList rows(cli->app);  // the same row texts as the desktop list
  bool first = true;
  for (int i = 0; i < log.Count(); ++i) {
    if (unreadOnly && !log.IsUnread(i)) continue;
    if (json) {
      PrintJson(log, i, first);
    } else {
      std::printf("%s\n", TerminalText(rows.RowLine(i)).c_str());
    }
    first = false;
  }
  if (json) std::printf("%s]\n", first ? "" : "\n");
  // The rows of a log that could not be read to its end are not all of it.
  return log.LoadError().empty() ? 0 : 1;
}

}  // namespace bq::cli
