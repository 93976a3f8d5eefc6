#include "app/core/dialogs/properties_model.h"

#include <algorithm>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/rounds/folder_cookies.h"
#include "app/core/rounds/render_option.h"
#include "platform/compare.h"
#include "platform/fs.h"
#include "script/lexer.h"
#include "script/tables.h"
#include "textlib/limits.h"
#include "textlib/dates.h"
#include "textlib/kanji.h"

namespace bq::app {

namespace {

std::string DateOrEmpty(std::uint32_t date) { return date ? DisplayDateTime(date) : std::string(); }

bool EndsWithPss(const std::string& name) {
  return name.size() > 4 && CompareTextIgnoreCase(name.substr(name.size() - 4), ".pss") == 0;
}

}  // namespace

PropertiesValues PropertiesFrom(const TApplication& app) {
  const TScrapList& log = TKernel::Log(app);
  const TFolderInfo& f = log.Folder;
  PropertiesValues v;
  v.lastTopic = f.LastTopic;
  v.latestDate = DateOrEmpty(log.LatestDate());
  v.lastRound = DateOrEmpty(f.LastRound);
  v.scriptName = f.ScriptName;
  v.siteUrl = f.SiteUrl;
  v.roundTarget = f.RoundTarget;
  v.showBody = f.ShowBody;
  v.keepColumns = f.KeepColumns;
  v.treeView = f.TreeView;
  v.hideIndex = f.HideIndex;
  v.newestReplyFirst = f.NewestReplyFirst;
  v.mailto = f.Mailto;
  v.homePage = f.HomePage;
  v.nickName = f.NickName;
  v.delPass = f.DelPass;
  v.userName = f.UserName;
  v.password = f.LoginPassword;
  v.referer = f.SiteReferer;
  v.saveCookies = SavesCookies(f);
  v.renderJs = RendersPages(f);
  v.charset = std::string(PageCodeName(FolderPageCode(f)));
  v.feed = IsFeedFolder(f);
  if (v.feed) {
    v.feedAddress = FeedAddress(f);
    v.updatesTurnUnread = UpdatesTurnUnread(f);
    v.feedReply = FeedReplyText(f);
  }
  return v;
}

bool IsSiteScript(std::string_view text) {
  const script::TSymbolTable symbols;
  script::TLexer lexer(symbols);
  lexer.SetSource(text);
  lexer.NextToken();
  return lexer.Token == script::tok::kScript;
}

std::vector<std::string> ScriptFiles(const std::string& libFolder) {
  std::vector<std::string> out;
  std::string text;
  for (const auto& e : fs::ListDir(libFolder)) {
    if (e.isDir || !EndsWithPss(e.name)) continue;
    // A file that cannot be read is offered still: only its own text can
    // tell it is a library.
    if (fs::ReadFile(libFolder + e.name, text, limits::kMaxScriptFile) && !IsSiteScript(text)) continue;
    out.push_back(e.name);
  }
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return CompareTextIgnoreCase(a, b) < 0; });
  return out;
}

void TAddressHistory::Add(const std::string& url) {
  if (url.empty() || std::find(items_.begin(), items_.end(), url) != items_.end()) return;
  items_.insert(items_.begin(), url);
}

PropertiesOutcome ApplyProperties(TApplication& app, const PropertiesValues& v,
                                  const std::string& listColumnWidths, TAddressHistory& history) {
  TScrapList& log = TKernel::Log(app);
  TFolderInfo& f = log.Folder;
  PropertiesOutcome out;
  f.SiteUrl = v.siteUrl;
  f.LastTopic = v.lastTopic;
  f.RoundTarget = v.roundTarget;
  f.UserName = v.userName;
  f.LoginPassword = v.password;
  f.NickName = v.nickName;
  f.DelPass = v.delPass;
  f.HomePage = v.homePage;
  f.Mailto = v.mailto;
  f.HideIndex = v.hideIndex;
  f.ShowBody = v.showBody;
  f.KeepColumns = v.keepColumns;
  SetSavesCookies(f, v.saveCookies);
  SetRendersPages(f, v.renderJs);
  PageCode code = PageCode::kAuto;
  if (!ParsePageCode(v.charset, code)) code = PageCode::kAuto;
  // auto is the absence of the option, so older readers see nothing new.
  f.SetExtension(kCharsetOption, code == PageCode::kAuto ? std::string_view() : PageCodeName(code));
  if (v.feed && IsFeedFolder(f)) {
    if (v.feedAddress != FeedAddress(f)) SetFeedAddress(f, v.feedAddress);
    f.SetExtension(kFeedUpdateUnreadOption, v.updatesTurnUnread ? "1" : "");
  }
  if (f.TreeView != v.treeView || f.NewestReplyFirst != v.newestReplyFirst) {
    f.TreeView = v.treeView;
    f.NewestReplyFirst = v.newestReplyFirst;
    log.SortItems(0);
    log.ClearSelected();
    out.rethreaded = true;
  }
  if (f.ScriptName != v.scriptName) {
    f.ScriptName = v.scriptName;
    app.Status.SetPanel(1, f.ScriptName);
    out.scriptChanged = true;
  }
  f.ColumnWidths = f.KeepColumns ? listColumnWidths : std::string();
  log.SaveNode();
  out.browseEnabled = !f.SiteUrl.empty();
  history.Add(f.SiteUrl);
  return out;
}

}  // namespace bq::app
