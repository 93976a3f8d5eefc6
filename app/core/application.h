#pragma once
// The application object: it owns the one instance each of the settings, the
// article log, the page fetcher and the script machine (created in that
// order), sets up the data folder, and runs scripts, fetches, rounds, the
// schedule and exports without any widget. Progress goes out through
// callbacks and the platform interfaces, so the CLI and a desktop shell
// drive the same code.
//
// It is the facade of the core: the log, the fetcher, the compiler and the
// machine are private, and a shell works through the named operations. The
// core's own models and the headless runner reach those instances through
// TKernel (kernel.h), which the desktop shell may not include.
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/rounds/schedule.h"
#include "app/core/shell/busy_state.h"
#include "app/core/shell/command_rules.h"
#include "logstore/scrap_list.h"
#include "platform/events.h"
#include "platform/ui.h"
#include "script/engine.h"
#include "script/machine.h"
#include "app/core/feeds/feed_folder.h"
#include "builtins/builtin_host.h"
#include "web/initparam.h"
#include "web/statusbar.h"
#include "web/webaccess.h"

namespace bq::app {

// What a round tells its watcher, folder by folder.
struct RoundEvents {
  // Before a folder runs: its path and its place in the folder list.
  std::function<void(const std::string& folder, std::size_t index)> folderStarted;
  // After it ran: its unread count, and the error message when it failed.
  std::function<void(const std::string& folder, int unread, const std::string& error)> folderDone;
  // After the folder's log is loaded, before its script runs: its unread
  // count then (new articles are the difference to folderDone's count).
  std::function<void(const std::string& folder, int unread)> folderOpened;
  // The folder's script compiled (the engine holds its warnings), before it runs.
  std::function<void(const std::string& folder)> scriptCompiled;
  // A folder's error goes to folderDone only, not into a message box: the
  // desktop collects it in its round report, so an unattended round never
  // waits for a click.
  bool quietErrors = false;
};

// The three status texts (0 state, 1 detail or script, 2 address); a shell
// follows them through OnChange. Only the current texts are kept, so a
// long-running schedule does not pile them up.
class TStatusTexts : public IStatusBar {
 public:
  void SetPanel(int panel, const std::string& text) override {
    if (panel < 0 || panel > 2) return;
    panels[static_cast<std::size_t>(panel)] = text;
    if (OnChange) OnChange(panel, text);
  }
  std::array<std::string, 3> panels;
  std::function<void(int panel, const std::string& text)> OnChange;
};

class TKernel;

class TApplication {
 public:
  // The script editor of a desktop shell, while one exists (the workbench):
  // scripts are then loaded and compiled in it, its unsaved text is written
  // before another folder opens, and the schedule waits while it holds
  // unsaved changes.
  class Editor {
   public:
    virtual ~Editor() = default;
    virtual void ReloadAndCompile() = 0;
    // Writes unsaved changes before another folder opens; throws Exception
    // when the text may not be left (it cannot be saved).
    virtual void LeaveOpenFolder() = 0;
    virtual bool HoldsUnsavedChanges() = 0;
    virtual bool RunsFromCache() const = 0;
    // A run of the folder's script (a fetch, a round's folder, a workbench
    // run, an export) ended at this line: the code position and the dumps
    // follow it.
    virtual void FollowRun(std::int32_t /*line*/) {}
  };

  TApplication(UserInterface& ui, EventPump& pump, TWebAccess::ProxySource proxy = ReadSystemProxySettings);
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The program folder (ends in '/') and the script folder; the script
  // folder defaults to program folder + "libs/".
  void SetProgramFolder(const std::string& folder, const std::string& libFolder = std::string());
  // Folder set-up: the data folder is created, the log root (data + "Log/")
  // is opened with its weblog.def, the cache folder (data + "cache/") and
  // the round log (log root + "RoundLog.txt") are set, and the data folder
  // goes first in the settings' history.
  void SetupFolders(const std::string& dataFolder);

  const std::string& DataFolder() const { return dataFolder_; }
  const std::string& LibFolder() const { return libFolder_; }
  std::string LogRoot() const { return Log.LogRoot(); }
  std::string CacheFolder() const { return dataFolder_ + "cache/"; }
  std::string RoundLogPath() const { return Log.LogRoot() + "RoundLog.txt"; }

  // ---- The open folder, as the shell shows and changes it ----
  // The open folder's path (ends in '/'), empty before the set-up.
  const std::string& FolderPath() const { return Log.FolderPath(); }
  // The open folder is the log root itself, or none is open.
  bool LogRootOpen() const { return FolderPath().empty() || FolderPath() == LogRoot(); }
  // The image of a folder tree node (see FolderImageIndex); read from the
  // folder's node file.
  int FolderImage(const std::string& path, bool isTop, bool selected) const;
  // Toggles the open folder's round-target mark and writes its node file;
  // nothing for the log root.
  void ToggleRoundTarget();
  // A new folder below parent ("新しいフォルダN"); its name. Throws Exception.
  std::string NewFolder(const std::string& parent);
  // Renames or deletes a site folder as the tree asks, with the system's
  // questions and messages; false when refused or cancelled.
  bool RenameFolder(const std::string& path, const std::string& newName);
  bool DeleteFolder(const std::string& path, const std::string& caption);
  // Writes the open log when it changed.
  void SaveLog();
  // At close: the open log and the root definition.
  void SaveAtClose();
  // The page cache: every file 8 days old or older, or every file; the
  // number deleted.
  int CleanCache(bool all);
  // The data folders of the history that exist, and the one after the
  // current (empty when there is none).
  std::vector<std::string> DataFolderHistory() const;
  std::string NextDataFolder() const;

  // The script file of the open folder: its ScriptName in the script folder,
  // "template.pss" when that file does not exist.
  std::string ScriptPath() const;
  // Reads and compiles the open folder's script; raises ECompileError or
  // Exception when the file cannot be read or is saved in UTF-8.
  void LoadAndCompile();
  // The script compiled for the previous folder is dropped.
  void ResetCompiler();
  // A script is compiled and can run.
  bool Compiled() const { return !Engine.ProgramName.empty(); }
  // The text LoadAndCompile gave the compiler (CR LF lines), which
  // Engine.ErrorStart points into after a compile error.
  std::string ScriptSource;
  // The eleven template variables from the open folder.
  void SetTemplateVariables();
  // Runs the compiled script until it halts or is stopped; nothing when no
  // script is compiled. LastRound is written also when the run fails. When
  // memory runs out during the run, the machine is reset, the log is read
  // back as last saved and the run fails with OutOfMemoryMessage().
  void RunScript();
  // The same, pausing when the machine reaches a BRK of one of the lines
  // (0-255) in stopLines; the next run continues after that BRK. Returns the
  // last line the machine reported.
  std::int32_t RunScript(const std::bitset<256>& stopLines);
  // The fetch of the open folder: reset, run (a feed folder reads its feed
  // instead), sort in thread order with the settings' default direction.
  void ExecAction();
  // A feed folder's part of a run: its feed read into the open log, the
  // folder's cookie jar, spacing and Retry-After acting as for pages. Every
  // request and a feed's fault reach Web.OnPageDone as failed fetches do;
  // LastRound and the last reply are written also when it fails.
  FeedRunResult RunFeed();
  // A new feed folder in parent from an address (a feed, or a page naming
  // one), named after the feed's title, marked for rounds, holding the items
  // of that first fetch; it is left open. Nothing is created when no feed
  // came (path empty, run.error says why).
  struct NewFeedFolder {
    std::string path;
    FeedRunResult run;
  };
  NewFeedFolder AddFeedFolder(const std::string& parent, const std::string& address);
  // Opens a folder for showing its articles: thread order with the
  // settings' default direction (newest thread first when SORTBYNEW is on).
  bool OpenFolderForShowing(const std::string& folder);
  // Thread order with the settings' default direction.
  void SortByDefaultOrder();

  // The start folder and every folder below it, sorted by path ignoring case.
  std::vector<std::string> CollectFolders(const std::string& start) const;
  // Runs the scripts of start and of every round target below it; returns
  // the round total (the unread counts of the folders visited). A folder
  // without an address is passed over silently. Errors of a folder are
  // shown and the round goes on.
  int RunRound(const std::string& start, const RoundEvents& events = {});
  // A round with its line appended to the round log; suffix follows the
  // line (" ＠" and the relative path, or " ＠ＡＬＬ"). Returns the round line.
  std::string RoundWithLog(const std::string& start, const std::string& suffix, const RoundEvents& events = {});
  // RoundAction: below a folder; TimerAction: over the whole log root.
  std::string RoundAction(const std::string& folder, const RoundEvents& events = {});
  std::string TimerAction(const RoundEvents& events = {});

  // ---- The schedule ----
  bool ScheduleEnabled() const { return Log.ScheduleEnabled; }
  // The schedule switch: toggles ScheduleEnabled and writes weblog.def.
  void ToggleSchedule();
  // Sets the schedule and writes weblog.def, as the options dialog's OK does.
  // False when weblog.def could not be written (the message was shown).
  bool SetSchedule(bool enabled, std::uint32_t hours, int minute);
  // The schedule timer's tick at now (local seconds): true when a scheduled
  // round is due (see TSchedule; the editor's unsaved changes hold it).
  bool ScheduleDue(std::uint32_t now);
  // The scheduled round the tick at now found due: TimerAction, unattended.
  std::string ScheduledRound(std::uint32_t now, const RoundEvents& events = {});
  // Both: true when a round ran.
  bool ScheduleTick(std::uint32_t now, const RoundEvents& events = {});
  // The interval to the timer's next tick (ms).
  std::uint32_t ScheduleInterval() const { return schedule_.Interval(); }
  // A schedule kept by a long-running process follows weblog.def: when the
  // file's text differs from what was last read (another program set the
  // schedule), its schedule is taken over. True when it changed.
  bool ReloadScheduleIfChanged();
  // The running schedule's tick: weblog.def read again, then, while the
  // schedule is on, ScheduleTick. True when a round ran.
  bool ServerScheduleTick(std::uint32_t now, const RoundEvents& events = {});
  // The round line of the last round (without its line break), and its
  // total of unread articles.
  std::string LastRoundLine;
  int LastRoundTotal = 0;

  // True when the compiled script defines a procedure or function EXPORT.
  bool HasExport() const;
  // Calls EXPORT(file, target, delete) of the compiled script.
  void Export(const std::string& file, int target, bool deleteExported);

  // Stop: the machine stops and the fetcher enters its stop state. Skip:
  // only the transfer in progress is abandoned.
  void Stop();
  void Skip();

  // ---- The shell's state ----
  // The one busy state (who runs, whether Stop and Skip apply, dialogs).
  TBusyState& Busy() { return busy_; }
  const TBusyState& Busy() const { return busy_; }
  // The facts of the enabling rules the application knows: the busy state
  // and the open folder (the list, the tree and the program add theirs).
  ShellFacts Facts() const;
  // The script editor of the shell, while it exists (nullptr: none).
  void AttachEditor(Editor* editor) { editor_ = editor; }
  // Every file whose write failed since the start ("path: reason"): the
  // log's, the node files', weblog.def and the round log.
  std::vector<std::string> FailedWrites() const;

  // True when nobody watches any run of this application (the headless
  // runner sets it); scheduled rounds count as unattended anyway. In such a
  // run an HTTPTIMEOUT of 0 means the safety limit UNATTENDEDLIMIT (300 s)
  // without a byte, and a watchdog stop ends the run as Stop would; the
  // stop's report is StopText().
  bool Unattended = false;
  // Why the last run stopped early (the watchdog), empty otherwise.
  const std::string& StopText() const { return Web.StopText(); }

  UserInterface& Ui;
  EventPump& Pump;
  TStatusTexts Status;
  TInitParam Settings;
  // The message box caption of errors (Shift_JIS).
  std::string Caption = "Brindlequay";

 private:
  friend class TKernel;

  void RunFolder(const std::string& folder, const RoundEvents& events);
  // TimerAction started at start (the tick's time for a scheduled round).
  std::string RoundOverAll(std::uint32_t start, const RoundEvents& events);
  // Copies the settings of the fetcher and the limits of a run for the run
  // about to start.
  void ApplyRunSettings();
  // The editor follows the machine's last line.
  void FollowRun();
  // True when the last Run returned because it executed a BRK.
  bool PausedAtBreak(std::int32_t startPc) const;

  TScrapList Log;
  TWebAccess Web;
  script::TScriptEngine Engine;
  builtins::TBuiltinHost Host;
  script::TScriptMachine Machine;

  TBusyState busy_;
  TSchedule schedule_;
  Editor* editor_ = nullptr;
  bool scheduledRound_ = false;
  bool unattendedRun_ = false;
  std::string dataFolder_;
  std::string programFolder_;
  std::string libFolder_;
  std::vector<std::string> failedWrites_;  // beside the log's own
};

// The code the folder's pages are read as: its "Charset" option (auto when
// unset or unknown). RunScript sets it on the fetcher for the run only.
PageCode FolderPageCode(const TFolderInfo& folder);

// "メモリが足りません" (Shift_JIS): the error of a run that ran out of memory.
std::string OutOfMemoryMessage();
// "巡回ログに書き込めません: " and the path (Shift_JIS): the round log could
// not be opened or written.
std::string RoundLogFailure(const std::string& path);
// How EXPORT runs: stopping at its first line when debugging (developer
// mode, where the workbench's trace shows), else through.
script::RunState ExportRunState(bool debug);

// "Folder Round: start - end , Unread Total: total" with the start as
// date and time and the end as time.
std::string RoundLine(std::uint32_t start, std::uint32_t end, int total);
// The path of folder below root with '/' after each name ("a/b/").
std::string RelativeFolder(const std::string& root, const std::string& folder);

}  // namespace bq::app
