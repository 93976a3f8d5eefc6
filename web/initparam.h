#pragma once
// The user's application-wide settings, read at start-up and written at exit.
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/limits.h"
#include "web/initfile.h"

namespace bq {

// The access code that switches developer mode on.
inline constexpr std::string_view kDeveloperCode = "_Q7mZp3Lk9TxWc2Rv=";

// The main window as the placement rules see it: state, position and size.
struct TWindowGeometry {
  std::uint8_t state = wsNormal;
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TWindowGeometry&) const = default;
};

struct TScreenSize {
  std::int32_t width = 0, height = 0;
};

class TInitParam {
 public:
  TInitParam() = default;
  // Saves when a file name was loaded; a failure is swallowed here.
  ~TInitParam();
  TInitParam(const TInitParam&) = delete;
  TInitParam& operator=(const TInitParam&) = delete;

  // Reads the settings. A file that cannot be read is left alone for good
  // (Save refuses it); one that is too large or holds NUL bytes is kept
  // aside as NAME-damaged.ini once (not when keepDamaged is false: the CLI
  // only reads) and the defaults apply. Problem then says so (Shift_JIS),
  // for the user to be told.
  void Load(const std::string& fileName, bool keepDamaged = true);
  // Rewrites the file under its lock (NAME.lck beside it), keeping the
  // lines this version does not know. Throws FileError when the file cannot
  // be written, or was unreadable at the load; the old file stays.
  void Save();
  std::string Problem;
  // Sets the window's state and, unless maximised or the stored rectangle
  // is empty, its rectangle kept on the screen.
  void ApplyPlacement(TWindowGeometry& window, TScreenSize screen) const;
  void StorePlacement(const TWindowGeometry& window);
  // Every key of the table, in the file's order of reading and writing.
  void Read(const TInitFile& file);
  void Write(TInitFile& file) const;

  std::string fileName;
  std::string developer;
  std::int32_t winLeft = 0, winTop = 0, winRight = 0, winBottom = 0;
  std::uint8_t winState = wsNormal;
  bool developerMode = false;
  std::string logDir;
  std::string lastBbs;
  std::string logHist;
  TFont memoFont, listFont, titleFont;
  std::int32_t resColor = 8421504;
  std::string exportFile;
  std::int32_t exportType = 0;
  std::int32_t cbTime = 500;
  std::string colWidth = "90,230,100,140,-2";
  bool sortByNew = true;
  bool toolbarIcon = true;
  bool startInTray = false;
  std::int32_t statusDisp = 0;
  bool dispClock = true;
  bool dispRefer = true;
  bool sysVarDisp = false;
  std::int32_t splitList = 206, splitTree = 183;
  std::int32_t httpTimeout = 0;
  // Keys added later, each written only when it differs from its default,
  // so a settings file of a user who never touched them stays as it was:
  // HOSTINTERVAL, milliseconds kept between two requests to one server
  // ("同じサーバーへの間隔(ミリ秒)", 0 = off), and UNATTENDEDLIMIT, the
  // seconds without a byte after which a run nobody watches is stopped
  // when HTTPTIMEOUT is 0.
  std::int32_t hostInterval = 0;
  std::int32_t unattendedLimit = kDefaultUnattendedLimit;
  static constexpr std::int32_t kDefaultUnattendedLimit = 300;
  // The watchdog's seconds for a run: HTTPTIMEOUT when set; otherwise none
  // for a run a person watches and UNATTENDEDLIMIT (300 when not positive)
  // for one nobody watches.
  int WatchdogSeconds(bool unattended) const;
  // NEWSNOTIFY: a tray message names the new articles after a round.
  bool newsNotify = true;
  // EXPORTCODE: "UTF-8" turns the export file into UTF-8 after the script
  // wrote it; empty (not written) keeps Shift_JIS.
  bool exportUtf8 = false;
  // UNREADCOUNTS: the folder tree shows each folder's unread count beside
  // its name ("name (7)"); written only when turned off.
  bool unreadCounts = true;
  // PRINTLIMIT (kilobytes of print text) and ARTICLELIMIT (articles PUTLOG
  // adds) bound one run of a script, so a runaway script ends with a
  // message; written only when changed. RunPrintLimit and RunArticleLimit
  // give the limit in force (the default for 0 or less).
  std::int32_t printLimitKb = limits::kDefaultPrintLimitKb;
  std::int32_t articleLimit = limits::kDefaultArticleLimit;
  std::size_t RunPrintLimit() const;
  std::int32_t RunArticleLimit() const;
  // RENDERBUDGET: the seconds headless Chromium may take to build one page
  // of a folder with the option RenderJS; written only when changed.
  // RunRenderBudget gives the budget in force (the default for 0 or less).
  std::int32_t renderBudget = kDefaultRenderBudget;
  static constexpr std::int32_t kDefaultRenderBudget = 15;
  std::int32_t RunRenderBudget() const { return renderBudget > 0 ? renderBudget : kDefaultRenderBudget; }

 private:
  bool unreadable_ = false;  // never overwritten
  bool damaged_ = false;     // rewritten from the defaults, not over its lines
};

// Where the settings file lives: "brindlequay.ini" beside the executable
// when that folder is writable (the portable layout), else
// $XDG_CONFIG_HOME/brindlequay/brindlequay.ini, XDG_CONFIG_HOME defaulting
// to $HOME/.config. Folders end in '/'; empty values are absent.
std::string ChooseSettingsPath(std::string_view exeDir, bool exeDirWritable, std::string_view xdgConfigHome,
                               std::string_view home);
// The same, looking at the file system and the environment.
std::string PickSettingsPath(std::string_view exeDir);

}  // namespace bq
