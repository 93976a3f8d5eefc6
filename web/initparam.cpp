#include "web/initparam.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/sys.h"
#include "textlib/csv.h"
#include "textlib/limits.h"

namespace bq {

TInitParam::~TInitParam() {
  if (fileName.empty()) return;
  try {
    Save();
  } catch (const Exception&) {
  }
}

namespace {

// 設定ファイルが読込めません!
constexpr std::string_view kCannotRead =
    "\x90\xdd\x92\xe8\x83t\x83@\x83\x43\x83\x8b\x82\xaa\x93\xc7\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";

// NAME.ini -> NAME plus the suffix given, beside it.
std::string Beside(const std::string& fileName, std::string_view suffix) {
  std::string stem = fileName;
  const std::size_t dot = stem.rfind('.');
  if (dot != std::string::npos && stem.find('/', dot) == std::string::npos) stem.resize(dot);
  return stem + std::string(suffix);
}

std::string Message(std::string_view what, const std::string& path, std::string_view reason,
                    std::string_view outcome) {
  std::string text(what);
  for (std::string_view part : {std::string_view(path), reason, outcome}) {
    if (part.empty()) continue;
    text += "\r\n";
    text += part;
  }
  return text;
}

}  // namespace

void TInitParam::Load(const std::string& name, bool keepDamaged) {
  fileName = name;
  Problem.clear();
  unreadable_ = damaged_ = false;
  std::string text;
  TInitFile f;
  switch (fs::ReadFileText(name, text, limits::kMaxSettingsFile)) {
    case fs::ReadResult::kMissing: break;
    case fs::ReadResult::kFailed:
      unreadable_ = true;
      Problem = Message(kCannotRead, name, sys::ErrnoText(errno), fs::kLeftAloneText);
      break;
    case fs::ReadResult::kTooLarge:
      damaged_ = true;
      fs::ReadFile(name, text);
      break;
    case fs::ReadResult::kRead:
      damaged_ = text.find('\0') != std::string::npos;
      if (!damaged_) f.SetText(text);
      break;
  }
  if (damaged_ && keepDamaged) {
    // brindlequay.ini -> brindlequay-damaged.ini
    const std::string file = fs::ExtractFileName(name);
    const std::size_t dot = std::min(file.rfind('.'), file.size());
    const fs::AsideCopy aside = fs::KeepAside(name, file.substr(0, dot) + "-damaged", file.substr(dot), text);
    if (aside.path.empty()) {
      unreadable_ = true;
      Problem = Message(kCannotRead, name, "", fs::kLeftAloneText);
    } else if (!aside.existed) {
      Problem = Message(kCannotRead, name, "", std::string(fs::kKeptAsText) + aside.path);
    }
  } else if (damaged_) {
    Problem = Message(kCannotRead, name, "", "");
  }
  Read(f);
}

void TInitParam::Read(const TInitFile& f) {
  TPlacement p = f.ReadPlacement("WINDOWINFO");
  winState = p.state;
  winLeft = p.rect.left;
  winTop = p.rect.top;
  winRight = p.rect.right;
  winBottom = p.rect.bottom;
  logDir = f.ReadString("LOGDIR", "");
  logHist = f.ReadString("LOGHIST", "");
  lastBbs = f.ReadString("LASTBBS", "");
  resColor = f.ReadInteger("RESCOLOR", 8421504);
  developer = f.ReadString("DEVELOPER", "");
  developerMode = developer == kDeveloperCode;
  cbTime = f.ReadInteger("CBTIME", 500);
  colWidth = f.ReadString("COLWIDTH", "90,230,100,140,-2");
  dispRefer = f.ReadBool("DISPREFER", true);
  sortByNew = f.ReadBool("SORTBYNEW", true);
  toolbarIcon = f.ReadBool("TOOLBARICON", true);
  startInTray = f.ReadBool("STARTINTRAY", false);
  sysVarDisp = f.ReadBool("SYSVARDISP", false);
  statusDisp = f.ReadInteger("STATUSDISP", 0);
  dispClock = f.ReadBool("DISPCLOCK", true);
  httpTimeout = f.ReadInteger("HTTPTIMEOUT", 0);
  hostInterval = f.ReadInteger("HOSTINTERVAL", 0);
  unattendedLimit = f.ReadInteger("UNATTENDEDLIMIT", kDefaultUnattendedLimit);
  newsNotify = f.ReadBool("NEWSNOTIFY", true);
  exportUtf8 = f.ReadString("EXPORTCODE", "") == "UTF-8";
  unreadCounts = f.ReadBool("UNREADCOUNTS", true);
  printLimitKb = f.ReadInteger("PRINTLIMIT", limits::kDefaultPrintLimitKb);
  articleLimit = f.ReadInteger("ARTICLELIMIT", limits::kDefaultArticleLimit);
  renderBudget = f.ReadInteger("RENDERBUDGET", kDefaultRenderBudget);

  std::vector<std::string> ex = CommaSplit(f.ReadString("EXPORT", "0") + ",,", FinalComma::AddsEmptyItem);
  exportType = 0;
  if (!ex.empty()) ParseInt32(ex[0], exportType);
  exportFile = ex.size() > 1 ? ex[1] : "";

  std::vector<std::string> sp = CommaSplit(f.ReadString("SPLIT", "206,183,,"), FinalComma::AddsEmptyItem);
  std::int32_t v;
  splitList = sp.size() > 0 && ParseInt32(sp[0], v) ? v : 206;
  splitTree = sp.size() > 1 && ParseInt32(sp[1], v) ? v : 183;

  f.ReadFont("MEMOFONT", memoFont);
  f.ReadFont("LISTFONT", listFont);
  f.ReadFont("TITLEFONT", titleFont);
}

void TInitParam::Save() {
  if (unreadable_) throw fs::FileError(Message(fileName, "", "", fs::kLeftAloneText));
  FileLock lock;
  LockWait wait;
  std::string reason;
  const LockResult locked = lock.Acquire(Beside(fileName, ".lck"), wait, reason);
  if (locked == LockResult::kTimedOut) throw fs::FileError(fileName + ": " + std::string(kLockedByOtherText));
  if (locked == LockResult::kFailed) throw fs::FileError(fileName + ": " + reason);
  // The lines this version does not know are kept: read again under the lock.
  TInitFile f(damaged_ ? std::string() : fileName);
  Write(f);
  f.Sort();
  f.SaveAs(fileName);
  damaged_ = false;
}

void TInitParam::Write(TInitFile& f) const {
  f.WritePlacement("WINDOWINFO", {{winLeft, winTop, winRight, winBottom}, winState});
  f.WriteFont("MEMOFONT", memoFont);
  f.WriteFont("LISTFONT", listFont);
  f.WriteFont("TITLEFONT", titleFont);
  f.WriteString("LOGHIST", logHist);
  f.WriteInteger("RESCOLOR", resColor);
  f.WriteString("LOGDIR", logDir);
  f.WriteString("LASTBBS", lastBbs);
  f.WriteString("DEVELOPER", developer);
  f.WriteInteger("CBTIME", cbTime);
  f.WriteString("COLWIDTH", colWidth);
  f.WriteBool("DISPREFER", dispRefer);
  f.WriteBool("SORTBYNEW", sortByNew);
  f.WriteBool("TOOLBARICON", toolbarIcon);
  f.WriteBool("STARTINTRAY", startInTray);
  f.WriteBool("SYSVARDISP", sysVarDisp);
  f.WriteInteger("STATUSDISP", statusDisp);
  f.WriteBool("DISPCLOCK", dispClock);
  f.WriteInteger("HTTPTIMEOUT", httpTimeout);
  // An empty value removes the line: the later keys appear only when set.
  f.WriteString("HOSTINTERVAL", hostInterval == 0 ? "" : std::to_string(hostInterval));
  f.WriteString("UNATTENDEDLIMIT",
                unattendedLimit == kDefaultUnattendedLimit ? "" : std::to_string(unattendedLimit));
  f.WriteString("NEWSNOTIFY", newsNotify ? "" : "0");
  f.WriteString("EXPORTCODE", exportUtf8 ? "UTF-8" : "");
  f.WriteString("UNREADCOUNTS", unreadCounts ? "" : "0");
  f.WriteString("PRINTLIMIT", printLimitKb == limits::kDefaultPrintLimitKb ? "" : std::to_string(printLimitKb));
  f.WriteString("ARTICLELIMIT", articleLimit == limits::kDefaultArticleLimit ? "" : std::to_string(articleLimit));
  f.WriteString("RENDERBUDGET", renderBudget == kDefaultRenderBudget ? "" : std::to_string(renderBudget));
  f.WriteString("EXPORT", CommaJoin({std::to_string(exportType), exportFile}));
  f.WriteString("SPLIT", CommaJoin({std::to_string(splitList), std::to_string(splitTree)}));
}

int TInitParam::WatchdogSeconds(bool unattended) const {
  constexpr int kMax = 65535;  // the fetcher holds seconds in 16 bits
  if (httpTimeout > 0) return std::min(httpTimeout, kMax);
  if (!unattended) return 0;
  return unattendedLimit > 0 ? std::min(unattendedLimit, kMax) : kDefaultUnattendedLimit;
}

std::size_t TInitParam::RunPrintLimit() const {
  return static_cast<std::size_t>(printLimitKb > 0 ? printLimitKb : limits::kDefaultPrintLimitKb) << 10;
}

std::int32_t TInitParam::RunArticleLimit() const {
  return articleLimit > 0 ? articleLimit : limits::kDefaultArticleLimit;
}

void TInitParam::ApplyPlacement(TWindowGeometry& w, TScreenSize screen) const {
  w.state = winState;
  if (winState == wsMaximized || winLeft >= winRight) return;
  w.left = winLeft;
  w.top = winTop;
  w.width = winRight - winLeft;
  w.height = winBottom - winTop;
  if (w.top < 0) w.top = 0;
  if (w.left < 0) w.left = 0;
  if (w.width <= 0) w.width = screen.width / 3;
  if (w.height <= 0) w.height = screen.height / 3;
  if (w.left + w.width > screen.width) {
    w.left = screen.width - w.width;
    if (w.left < 0) {
      w.left = 0;
      w.width = screen.width;
    }
  }
  if (w.top + w.height > screen.height) {
    w.top = screen.height - w.height;
    if (w.top < 0) {
      w.top = 0;
      w.height = screen.height;
    }
  }
}

void TInitParam::StorePlacement(const TWindowGeometry& w) {
  if (w.state != wsMaximized) {
    winLeft = w.left;
    winTop = w.top;
    winRight = w.left + w.width;
    winBottom = w.top + w.height;
  }
  winState = w.state;
}

std::string ChooseSettingsPath(std::string_view exeDir, bool exeDirWritable, std::string_view xdgConfigHome,
                               std::string_view home) {
  const std::string kName = "brindlequay.ini";
  if (exeDirWritable) return fs::IncludeTrailingSeparator(exeDir) + kName;
  std::string base = !xdgConfigHome.empty() ? fs::IncludeTrailingSeparator(xdgConfigHome)
                                            : fs::IncludeTrailingSeparator(home) + ".config/";
  return base + "brindlequay/" + kName;
}

std::string PickSettingsPath(std::string_view exeDir) {
  bool writable = ::access(fs::ToOsPath(exeDir).c_str(), W_OK) == 0;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string path = ChooseSettingsPath(exeDir, writable, xdg ? fs::FromOsPath(xdg) : "",
                                        home ? fs::FromOsPath(home) : "");
  if (!writable) fs::ForceDirectories(fs::ExtractFilePath(path));
  return path;
}

}  // namespace bq
