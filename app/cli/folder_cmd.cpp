// brindlequay-cli folder add PATH (--url URL --script NAME | --feed URL) [--round]
//                   [--tree] [--newest-reply-first] [--hide-index] [--show-body]
//                   [--update-unread]
//                 folder show PATH
//                 folder set PATH KEY=VALUE ...
// Creates and edits site folders: the fields of their node file.
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include <climits>
#include <cstdint>
#include <functional>

#include "app/cli/cli_app.h"
#include "app/cli/terminal.h"
#include "app/core/feeds/feed_folder.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/kanji.h"

namespace bq::cli {

namespace {

constexpr char kFolderUsage[] =
    "folder add PATH (--url URL --script NAME | --feed URL) [--round] [--tree] [--newest-reply-first] [--hide-index]"
    " [--show-body] [--update-unread] | folder show PATH | folder set PATH KEY=VALUE...";

struct FieldRef {
  const char* name;
  std::function<std::string(const TFolderInfo&)> get;
  std::function<bool(TFolderInfo&, const std::string&)> set;  // value in Shift_JIS
};

FieldRef Text(const char* name, std::string TFolderInfo::*f) {
  return {name, [f](const TFolderInfo& i) { return i.*f; },
          [f](TFolderInfo& i, const std::string& v) {
            i.*f = v;
            return true;
          }};
}
FieldRef Flag(const char* name, bool TFolderInfo::*f) {
  return {name, [f](const TFolderInfo& i) { return std::string(i.*f ? "1" : "0"); },
          [f](TFolderInfo& i, const std::string& v) {
            if (v != "0" && v != "1") return false;
            i.*f = v == "1";
            return true;
          }};
}
// A flag among the later options of the node file ("Name=1" after line 16;
// "0" removes the line, so the file stays as older versions wrote it).
FieldRef ExtensionFlag(const char* name) {
  return {name, [name](const TFolderInfo& i) { return std::string(i.Extension(name) == "1" ? "1" : "0"); },
          [name](TFolderInfo& i, const std::string& v) {
            if (v != "0" && v != "1") return false;
            i.SetExtension(name, v == "1" ? "1" : "");
            return true;
          }};
}
bool ParseNumber(const std::string& v, long long lo, long long hi, long long& out) {
  if (v.empty()) return false;
  char* end = nullptr;
  out = std::strtoll(v.c_str(), &end, 10);
  return *end == 0 && out >= lo && out <= hi;
}

const std::vector<FieldRef>& Fields() {
  static const std::vector<FieldRef> fields = {
      Text("SiteUrl", &TFolderInfo::SiteUrl),
      Text("ScriptName", &TFolderInfo::ScriptName),
      Flag("RoundTarget", &TFolderInfo::RoundTarget),
      Text("SiteReferer", &TFolderInfo::SiteReferer),
      Text("UserName", &TFolderInfo::UserName),
      Text("LoginPassword", &TFolderInfo::LoginPassword),
      Text("NickName", &TFolderInfo::NickName),
      Text("DelPass", &TFolderInfo::DelPass),
      Text("Mailto", &TFolderInfo::Mailto),
      Text("HomePage", &TFolderInfo::HomePage),
      {"LastTopic", [](const TFolderInfo& i) { return std::to_string(i.LastTopic); },
       [](TFolderInfo& i, const std::string& v) {
         long long n;
         if (!ParseNumber(v, INT32_MIN, INT32_MAX, n)) return false;
         i.LastTopic = static_cast<std::int32_t>(n);
         return true;
       }},
      {"LastRound", [](const TFolderInfo& i) { return std::to_string(i.LastRound); },
       [](TFolderInfo& i, const std::string& v) {
         long long n;
         if (!ParseNumber(v, 0, UINT32_MAX, n)) return false;
         i.LastRound = static_cast<std::uint32_t>(n);
         return true;
       }},
      Flag("TreeView", &TFolderInfo::TreeView),
      Flag("HideIndex", &TFolderInfo::HideIndex),
      Flag("NewestReplyFirst", &TFolderInfo::NewestReplyFirst),
      Flag("ShowBody", &TFolderInfo::ShowBody),
      Flag("KeepColumns", &TFolderInfo::KeepColumns),
      Flag("HasUnread", &TFolderInfo::HasUnread),
      {"Charset", [](const TFolderInfo& i) { return std::string(PageCodeName(app::FolderPageCode(i))); },
       [](TFolderInfo& i, const std::string& v) {
         PageCode code;
         if (!ParsePageCode(v, code)) return false;
         // auto is the absence of the option, so older readers see nothing new.
         i.SetExtension(kCharsetOption, code == PageCode::kAuto ? std::string_view() : PageCodeName(code));
         return true;
       }},
      ExtensionFlag("SaveCookies"),
      // Pages built by JavaScript: headless Chromium makes the documents.
      ExtensionFlag("RenderJS"),
      // The feed a feed folder reads (the one found when the address was a
      // page naming it); empty for a script folder. Setting it makes the
      // folder a feed folder reading that address; the empty value makes it
      // a script folder again.
      {"Feed", [](const TFolderInfo& i) { return app::IsFeedFolder(i) ? app::FeedAddress(i) : std::string(); },
       [](TFolderInfo& i, const std::string& v) {
         if (v.empty()) {
           i.SetExtension(app::kFeedOption, {});
         } else {
           app::SetFeedAddress(i, v);
         }
         return true;
       }},
      ExtensionFlag("FeedUpdateUnread"),
  };
  return fields;
}

const FieldRef* FieldNamed(const std::string& key) {
  for (const auto& f : Fields())
    if (strcasecmp(f.name, key.c_str()) == 0) return &f;
  return nullptr;
}

int Show(TScrapList& log) {
  for (const auto& f : Fields()) std::printf("%s=%s\n", f.name, TerminalText(f.get(log.Folder)).c_str());
  // What the feed's last fetch came to (read only).
  if (app::IsFeedFolder(log.Folder))
    std::printf("FeedReply=%s\n", TerminalText(app::FeedReplyText(log.Folder)).c_str());
  return 0;
}

int SetFields(TScrapList& log, const Args& args, std::size_t from) {
  for (std::size_t i = from; i < args.size(); ++i) {
    std::size_t eq = args[i].find('=');
    const FieldRef* f = eq == std::string::npos ? nullptr : FieldNamed(args[i].substr(0, eq));
    if (!f) {
      std::fprintf(stderr, "unknown field: %s\n", args[i].c_str());
      return 2;
    }
    if (!f->set(log.Folder, Utf8ToSjis(args[i].substr(eq + 1)))) {
      std::fprintf(stderr, "bad value for %s: %s\n", f->name, args[i].c_str() + eq + 1);
      return 2;
    }
  }
  log.SaveNode();
  return 0;
}

// The display options folder add can set at creation.
bool TFolderInfo::*AddOption(const std::string& arg) {
  if (arg == "--tree") return &TFolderInfo::TreeView;
  if (arg == "--newest-reply-first") return &TFolderInfo::NewestReplyFirst;
  if (arg == "--hide-index") return &TFolderInfo::HideIndex;
  if (arg == "--show-body") return &TFolderInfo::ShowBody;
  return nullptr;
}

int Add(app::TApplication& a, const Args& args) {
  std::string url, script, feed;
  bool round = false, updateUnread = false;
  std::vector<bool TFolderInfo::*> options;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--url" && i + 1 < args.size()) {
      url = args[++i];
    } else if (args[i] == "--script" && i + 1 < args.size()) {
      script = args[++i];
    } else if (args[i] == "--feed" && i + 1 < args.size()) {
      feed = args[++i];
    } else if (args[i] == "--round") {
      round = true;
    } else if (args[i] == "--update-unread") {
      updateUnread = true;
    } else if (const auto option = AddOption(args[i])) {
      options.push_back(option);
    } else {
      return UsageError(kFolderUsage);
    }
  }
  const bool feedFolder = !feed.empty();
  if (feedFolder ? !url.empty() || !script.empty() : url.empty() || script.empty()) return UsageError(kFolderUsage);
  if (updateUnread && !feedFolder) return UsageError(kFolderUsage);
  std::string path = FolderArgument(a, args[1]);
  if (!fs::ForceDirectories(path)) {
    std::fprintf(stderr, "Cannot create %s\n", TerminalText(path).c_str());
    return 1;
  }
  TScrapList& log = app::TKernel::Log(a);
  log.OpenFolder(path);
  if (feedFolder) {
    // The feed (or the page naming it) is read at the first fetch.
    app::SetFeedAddress(log.Folder, Utf8ToSjis(feed));
    log.Folder.SetExtension(app::kFeedUpdateUnreadOption, updateUnread ? "1" : "");
  } else {
    log.Folder.SiteUrl = Utf8ToSjis(url);
    log.Folder.ScriptName = Utf8ToSjis(script);
  }
  log.Folder.RoundTarget = round;
  for (auto option : options) log.Folder.*option = true;
  log.SaveNode();
  std::printf("%s\n", TerminalText(path).c_str());
  return 0;
}

}  // namespace

int FolderCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() < 2) return UsageError(kFolderUsage);
  const std::string& verb = args[0];
  if (verb != "add" && verb != "show" && verb != "set") return UsageError(kFolderUsage);
  if (verb == "set" && args.size() < 3) return UsageError(kFolderUsage);
  if (verb == "show" && args.size() != 2) return UsageError(kFolderUsage);
  auto cli = OpenApp(options, verb == "show" ? Access::kReadOnly : Access::kReadWrite);
  app::TApplication& a = cli->app;
  if (verb == "add") return Add(a, args);
  std::string path = FolderArgument(a, args[1]);
  if (!fs::DirectoryExists(path)) {
    std::fprintf(stderr, "no such folder: %s\n", TerminalText(path).c_str());
    return 1;
  }
  TScrapList& log = app::TKernel::Log(a);
  log.OpenFolder(path);
  return verb == "show" ? Show(log) : SetFields(log, args, 2);
}

}  // namespace bq::cli
