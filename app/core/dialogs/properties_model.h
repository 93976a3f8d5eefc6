#pragma once
// The properties dialog "プロパティ" of the open folder: what its pages show,
// the script list, the address history, and what "更新" changes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq::app {

class TApplication;

struct PropertiesValues {
  // "基本設定" / "取得状況"
  std::int32_t lastTopic = 0;
  std::string latestDate;  // read only, display date format; empty for none
  std::string lastRound;   // read only
  // "基本設定" / "サイト情報"
  std::string scriptName;
  std::string siteUrl;
  bool roundTarget = false;
  // "基本設定" / "リスト表示"
  bool showBody = false, keepColumns = false, treeView = false, hideIndex = false, newestReplyFirst = false;
  // "ユーザー情報"
  std::string mailto, homePage, nickName, delPass, userName, password;
  // "拡張設定" (hidden, shown only)
  std::string referer;
  // Later folder options, on "基本設定": the saved cookies and the code the
  // folder's pages are read in ("auto" believes the page and the detectors).
  bool saveCookies = false;
  // Pages built by JavaScript (RenderJS): headless Chromium makes them.
  bool renderJs = false;
  std::string charset = "auto";
  // A feed folder's group "フィード" stands for the script, the address and
  // the code: the feed read (the address given until one is found), whether
  // an updated item turns unread again, and the last reply (read only).
  bool feed = false;
  std::string feedAddress;
  bool updatesTurnUnread = false;
  std::string feedReply;
};

PropertiesValues PropertiesFrom(const TApplication& app);

// The site scripts among the "*.pss" files of the script folder (a library
// for INCLUDE, without its SCRIPT heading, is not offered), sorted by name
// ignoring case.
std::vector<std::string> ScriptFiles(const std::string& libFolder);
// The text opens with a SCRIPT heading (after blanks and comments).
bool IsSiteScript(std::string_view text);

// The addresses entered before, newest first, kept while the program runs.
class TAddressHistory {
 public:
  // A non-empty address not yet listed goes on top.
  void Add(const std::string& url);
  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
};

// What the window has to follow after "更新".
struct PropertiesOutcome {
  bool rethreaded = false;     // sorted again, list selection cleared
  bool scriptChanged = false;  // the script is to be reloaded and compiled
  bool browseEnabled = false;  // an address exists
};
// "更新": the folder's definition takes the values (TreeView and
// NewestReplyFirst re-thread the log at once when either changed), status
// panel 1 shows a new script name, ColumnWidths takes the list's widths when
// KeepColumns is set, the node file is written and the address goes into the
// history. The caller reloads the script when scriptChanged. A feed folder
// given another feed address forgets what it found for the old one.
PropertiesOutcome ApplyProperties(TApplication& app, const PropertiesValues& values,
                                  const std::string& listColumnWidths, TAddressHistory& history);

}  // namespace bq::app
