// The application object: folder set-up, script preparation and runs, the
// fetch, rounds with their round line, the schedule tick and the export call.
#include "app/core/application.h"

#include <algorithm>
#include <new>

#include "app/core/rounds/folder_cookies.h"
#include "app/core/shell/shell_model.h"
#include "logstore/folder_info.h"
#include "app/core/rounds/render_option.h"
#include "app/core/shell/program_layout.h"
#include "logstore/folder_ops.h"
#include "platform/compare.h"
#include "platform/fs.h"
#include "platform/sys.h"
#include "script/error_notes.h"
#include "script/symbols.h"
#include "textlib/dates.h"
#include "textlib/limits.h"
#include "textlib/cp932.h"
#include "textlib/csv.h"
#include "web/webcache.h"

namespace bq::app {

TApplication::TApplication(UserInterface& ui, EventPump& pump, TWebAccess::ProxySource proxy)
    : Ui(ui), Pump(pump), Log(ui), Web(pump, std::move(proxy)), Host(Log, Web, ui, pump), Machine(Engine, Host, &pump) {
  Web.StatusBar = &Status;
  Web.OnWatchdogStop = [this] {
    if (unattendedRun_) Machine.State = script::RunState::Stopped;
  };
  // Another program saving the same folder: said in the status bar, and the
  // window stays alive while the save waits for it.
  Log.OnLockWait = [this](const std::string& folder, std::uint32_t waitedMs) {
    // 他のプログラムが保存中です (N 秒):
    Status.SetPanel(0, "\x91\xbc\x82\xcc\x83v\x83\x8d\x83O\x83\x89\x83\x80\x82\xaa\x95\xdb\x91\xb6\x92\x86\x82\xc5"
                       "\x82\xb7 (" + std::to_string(waitedMs / 1000) + " s): " + folder);
    Pump.ProcessMessages();
  };
}

std::vector<std::string> TApplication::FailedWrites() const {
  std::vector<std::string> all = Log.FailedWrites();
  all.insert(all.end(), failedWrites_.begin(), failedWrites_.end());
  return all;
}

void TApplication::SetProgramFolder(const std::string& folder, const std::string& libFolder) {
  programFolder_ = fs::IncludeTrailingSeparator(folder);
  libFolder_ = fs::IncludeTrailingSeparator(libFolder.empty() ? programFolder_ + "libs" : libFolder);
  Machine.ProgramFolder = programFolder_;
  Machine.LibraryFolder = libFolder_;
  Engine.LibFolder = libFolder_;
}

void TApplication::SetupFolders(const std::string& dataFolder) {
  // The editor's unsaved script belongs to the folder open now: it is
  // written (or the switch refused) before that folder's root is left.
  if (editor_ && !dataFolder_.empty() && fs::IncludeTrailingSeparator(dataFolder) != dataFolder_)
    editor_->LeaveOpenFolder();
  dataFolder_ = fs::IncludeTrailingSeparator(dataFolder);
  // The open log is not emptied here: SetLogRoot saves it whole (and writes
  // the old root's last folder), and opening the next folder replaces it.
  // Emptied first, it would be saved empty over its file.
  if (!Log.ReadOnly()) {
    fs::ForceDirectories(dataFolder_);
    fs::ForceDirectories(LogRootOf(dataFolder_));
  }
  Log.SetLogRoot(LogRootOf(dataFolder_));
  Web.SetCacheDir(CacheFolder());
  std::vector<std::string> history = CommaSplit(Settings.logHist, FinalComma::AddsEmptyItem);
  PutFirstInHistory(history, dataFolder_);
  Settings.logHist = CommaJoin(history);
  // A new root without its weblog.def leaves the old root's last folder
  // behind; only a folder below this root may be opened.
  std::string last = Log.LastFolder();
  const std::string& root = Log.LogRoot();
  bool below = last.size() >= root.size() && last.compare(0, root.size(), root) == 0;
  Log.OpenFolder(below && fs::DirectoryExists(last) ? last : root);
}

int TApplication::FolderImage(const std::string& path, bool isTop, bool selected) const {
  TScrapList::FolderFlags f = isTop ? TScrapList::FolderFlags{} : Log.ReadFolderFlags(path);
  return FolderImageIndex(isTop, f.HasUnread, f.RoundTarget, selected);
}

int TApplication::UnreadCount(const std::string& path) const {
  const std::string folder = fs::IncludeTrailingSeparator(path);
  if (!Log.FolderPath().empty() && folder == Log.FolderPath()) return Log.UnreadCount();
  if (!Log.ReadFolderFlags(folder).HasUnread) return 0;
  return unreadCounts_.Of(folder);
}

std::string TApplication::FolderCaption(const std::string& path, std::string_view name) const {
  return FolderNodeCaption(name, Settings.unreadCounts ? UnreadCount(path) : 0, Settings.unreadCounts);
}

bool TApplication::OpenFolderChangedOnDisk() const { return busy_.CanStart() && Log.ChangedOnDisk(); }

bool TApplication::ReloadOpenFolder() { return Log.Reload(); }

void TApplication::ToggleRoundTarget() {
  if (LogRootOpen()) return;
  Log.Folder.RoundTarget = !Log.Folder.RoundTarget;
  Log.SaveNode();
}

std::string TApplication::NewFolder(const std::string& parent) { return CreateNewFolder(parent); }

bool TApplication::RenameFolder(const std::string& path, const std::string& newName) {
  if (!RenameSiteFolder(Log, Ui, path, newName)) return false;
  // The open folder (or one above it) may have moved: the machine's folder
  // and the views that show it follow.
  Machine.DataFolder = Log.FolderPath();
  if (editor_) editor_->FolderMoved();
  return true;
}

bool TApplication::DeleteFolder(const std::string& path, const std::string& caption) {
  return DeleteSiteFolder(Log, Ui, path, caption);
}

void TApplication::SaveLog() { Log.SaveLog(); }

void TApplication::SaveAtClose() {
  Log.SaveLog();
  Log.SaveRootDef();
}

int TApplication::CleanCache(bool all) {
  TBusyState::Scope busy = busy_.Enter(Activity::CacheCleaning, false);
  return bq::CleanCache(CacheFolder(), all);
}

std::vector<std::string> TApplication::DataFolderHistory() const {
  return HistoryMenuEntries(CommaSplit(Settings.logHist, FinalComma::AddsEmptyItem));
}

std::string TApplication::NextDataFolder() const { return NextHistoryEntry(DataFolderHistory(), dataFolder_); }

void TApplication::ResetCompiler() { Engine.ResetCompiler(); }

ShellFacts TApplication::Facts() const {
  ShellFacts f;
  f.run.busy = busy_.Busy();
  f.run.stoppable = busy_.Stoppable();
  f.folder.isLogRoot = LogRootOpen();
  f.folder.roundTarget = !f.folder.isLogRoot && Log.Folder.RoundTarget;
  f.folder.logCount = Log.Count();
  f.folder.hasExport = HasExport();
  f.folder.scheduleOn = Log.ScheduleEnabled;
  f.folder.runFromCache = editor_ && editor_->RunsFromCache();
  return f;
}

std::string TApplication::ScriptPath() const {
  std::string name = Log.Folder.ScriptName;
  if (!name.empty() && fs::FileExists(libFolder_ + name)) return libFolder_ + name;
  return libFolder_ + "template.pss";
}

void TApplication::LoadAndCompile() {
  if (editor_) {
    editor_->ReloadAndCompile();
    return;
  }
  std::string path = ScriptPath();
  std::string source;
  Engine.ResetCompiler();
  ScriptSource.clear();
  // スクリプトファイルを読めません:
  if (!fs::ReadFile(path, source, limits::kMaxScriptFile))
    throw Exception(Utf8ToSjis("スクリプトファイルを読めません: ") + path);
  std::string refusal = script::Utf8ScriptError(source, path);
  if (!refusal.empty()) throw Exception(refusal);
  Engine.LibFolder = libFolder_;
  ScriptSource = script::AsCrLfLines(source);
  Engine.CompileScript(ScriptSource, false);
}

namespace {

// The folder's page code holds for the run of its script only.
class PageCodeScope {
 public:
  PageCodeScope(TWebAccess& web, PageCode code) : web_(web) { web_.PageCodeOverride = code; }
  ~PageCodeScope() { web_.PageCodeOverride = PageCode::kAuto; }
  PageCodeScope(const PageCodeScope&) = delete;
  PageCodeScope& operator=(const PageCodeScope&) = delete;

 private:
  TWebAccess& web_;
};

}  // namespace

PageCode FolderPageCode(const TFolderInfo& folder) {
  PageCode code = PageCode::kAuto;
  // A value this version does not know (written by a newer one) reads as auto.
  if (!ParsePageCode(folder.Extension(kCharsetOption), code)) code = PageCode::kAuto;
  return code;
}

void TApplication::SetTemplateVariables() {
  const TFolderInfo& f = Log.Folder;
  Machine.SetVariableText("%URL%", f.SiteUrl);
  Machine.SetVariableInt("%SEQ%", f.LastTopic);
  Machine.SetVariableInt("%LASTDATE%", static_cast<std::int32_t>(Log.LatestDate()));
  Machine.SetVariableInt("%ROUND%", static_cast<std::int32_t>(f.LastRound));
  Machine.SetVariableText("%USER%", f.UserName);
  Machine.SetVariableText("%PASS%", f.LoginPassword);
  Machine.SetVariableText("%NAME%", f.NickName);
  Machine.SetVariableText("%DPASS%", f.DelPass);
  Machine.SetVariableText("%HOME%", f.HomePage);
  Machine.SetVariableText("%MAIL%", f.Mailto);
  Machine.SetVariableText("%REFERER%", f.SiteReferer);
}

void TApplication::RunScript() { RunScript(std::bitset<256>()); }

std::int32_t TApplication::RunScript(const std::bitset<256>& stopLines) {
  if (Engine.ProgramName.empty()) return Machine.R.CurrentLine;
  SetTemplateVariables();
  ApplyRunSettings();
  TFolderCookies cookies(Web, Log.Folder, Log.FolderPath());
  Machine.DataFolder = Log.FolderPath();
  PageCodeScope pageCode(Web, FolderPageCode(Log.Folder));
  TRenderScope render(Web, Log.Folder);
  auto stamp = [this] {
    Log.Folder.LastRound = NowDate();
    Log.SaveNode();
  };
  // Without stop lines the machine passes its BRKs; with them it returns at
  // each one and the loop looks whether that line is a stop line.
  const script::RunState mode = stopLines.none() ? script::RunState::Run : script::RunState::StepLine;
  // Returning at every BRK, Run never gets far enough to pump events itself:
  // the loop pumps about once a millisecond so Stop still acts.
  std::uint64_t nextPump = TickCount64() + 1;
  try {
    Machine.State = mode;
    while (Machine.State == mode) {
      std::int32_t before = Machine.R.PC;
      Machine.Run();
      if (Machine.State != mode) break;
      if (mode == script::RunState::StepLine && PausedAtBreak(before)) {
        std::int32_t line = Machine.R.CurrentLine;
        if (line >= 0 && line < 256 && stopLines.test(static_cast<std::size_t>(line))) break;
        if (TickCount64() >= nextPump) {
          Pump.ProcessMessages();
          nextPump = TickCount64() + 1;
        }
        continue;
      }
      // An instruction that jumps to itself returns with the state unchanged;
      // the pump lets Stop end it.
      Pump.ProcessMessages();
    }
  } catch (const std::bad_alloc&) {
    // What the run built is what filled the memory: the machine lets go of
    // it, and the log is read back as it was last saved.
    Machine.ResetMachine();
    Log.LoadLog();
    stamp();
    cookies.SaveQuietly();
    FollowRun();
    throw Exception(OutOfMemoryMessage());
  } catch (...) {
    stamp();
    cookies.SaveQuietly();
    FollowRun();
    throw;
  }
  stamp();
  cookies.Save();
  FollowRun();
  return Machine.R.CurrentLine;
}

bool TApplication::PausedAtBreak(std::int32_t startPc) const {
  const auto& code = Machine.Code().Instructions();
  const std::int32_t pc = Machine.R.PC;
  if (pc <= 0 || pc >= static_cast<std::int32_t>(code.size())) return false;
  // Run returns after a BRK with PC past it. It also returns on a jump to
  // itself, with PC on that jump; when that jump follows a BRK, the two look
  // alike, and only a run that started on the jump is the jump's.
  const script::TInstruction& at = code[static_cast<std::size_t>(pc)];
  bool selfJump = (at.Op == script::OpCode::JMP || at.Op == script::OpCode::JCC) && at.Operand == pc;
  if (selfJump && pc == startPc) return false;
  return code[static_cast<std::size_t>(pc) - 1].Op == script::OpCode::BRK;
}

void TApplication::ApplyRunSettings() {
  unattendedRun_ = Unattended || scheduledRound_;
  Web.HTTPTimeOut = static_cast<std::uint16_t>(Settings.WatchdogSeconds(unattendedRun_));
  Web.HostInterval = static_cast<std::uint32_t>(std::max(Settings.hostInterval, 0));
  Web.Renderer.BudgetSeconds = static_cast<std::uint32_t>(Settings.RunRenderBudget());
  Host.PrintLimit = Settings.RunPrintLimit();
  Host.ArticleLimit = Settings.RunArticleLimit();
}

void TApplication::ExecAction() {
  Web.ResetStop();
  if (editor_ && !IsFeedFolder(Log.Folder)) editor_->CompileChanges();
  if (IsFeedFolder(Log.Folder)) {
    RunFeed();
  } else {
    Machine.ResetMachine();
    RunScript();
  }
  SortByDefaultOrder();
}

void TApplication::SortByDefaultOrder() {
  Log.Descending = Settings.sortByNew;
  Log.SortItems(0);
}

bool TApplication::OpenFolderForShowing(const std::string& folder) {
  if (!Log.OpenFolder(folder)) return false;
  SortByDefaultOrder();
  return true;
}

std::vector<std::string> TApplication::CollectFolders(const std::string& start) const {
  std::vector<std::string> out{fs::IncludeTrailingSeparator(start)};
  for (std::size_t i = 0; i < out.size() && out.size() < 1000000; ++i) {
    std::string dir = out[i];
    for (const auto& e : fs::ListDir(dir))
      if (e.isDir && !fs::IsSymbolicLink(dir + e.name)) out.push_back(dir + e.name + "/");
  }
  std::sort(out.begin() + 1, out.end(),
            [](const std::string& a, const std::string& b) { return CompareTextIgnoreCase(a, b) < 0; });
  return out;
}

void TApplication::RunFolder(const std::string& folder, const RoundEvents& events) {
  if (editor_ && Log.FolderPath() != fs::IncludeTrailingSeparator(folder)) editor_->LeaveOpenFolder();
  if (!Log.OpenFolder(folder))
    throw Exception(Utf8ToSjis("開いているフォルダのログを保存できないため、次のフォルダへ移れません"));
  if (events.folderOpened) events.folderOpened(folder, Log.UnreadCount());
  Status.SetPanel(1, Log.Folder.ScriptName);
  Status.SetPanel(2, Log.Folder.SiteUrl);
  if (IsFeedFolder(Log.Folder)) {
    RunFeed();
    return;
  }
  LoadAndCompile();
  if (events.scriptCompiled) events.scriptCompiled(folder);
  Machine.ResetMachine();
  RunScript();
}

int TApplication::RunRound(const std::string& start, const RoundEvents& events) {
  Web.ResetStop();
  int total = 0;
  std::vector<std::string> folders = CollectFolders(start);
  for (std::size_t i = 0; i < folders.size(); ++i) {
    // A Stop (or a signal to the CLI) that came while the last script was
    // ending is seen here, before the next folder starts.
    Pump.ProcessMessages();
    if (Web.Stopped()) break;
    const std::string& folder = folders[i];
    TScrapList::FolderFlags flags = Log.ReadFolderFlags(folder);
    if (i > 0 && !flags.RoundTarget) continue;
    // A folder without an address (the log root, a folder that only groups
    // others) has nothing to fetch: it is passed over without a word.
    if (!flags.HasAddress) continue;
    if (events.folderStarted) events.folderStarted(folder, i);
    std::string error;
    Web.ClearRenderFault();
    try {
      RunFolder(folder, events);
    } catch (const Exception& e) {
      error = e.what();
      if (!events.quietErrors) Ui.MessageBox(error, Caption, kMbOk);
    }
    if (error.empty()) error = Web.StopText();
    if (error.empty()) error = Web.RenderFault();
    int unread = Log.FolderPath() == fs::IncludeTrailingSeparator(folder) ? Log.UnreadCount() : 0;
    total += unread;
    if (events.folderDone) events.folderDone(folder, unread, error);
  }
  Log.SaveLog();
  return total;
}

std::string TApplication::RoundWithLog(const std::string& start, const std::string& suffix, const RoundEvents& events) {
  // The round log is opened first: a round whose line could not be kept
  // does not run at all.
  if (!fs::AppendFile(RoundLogPath(), std::string())) {
    failedWrites_.push_back(RoundLogPath() + ": " + sys::ErrnoText(errno));
    throw Exception(RoundLogFailure(RoundLogPath()));
  }
  std::uint32_t begin = NowDate();
  int total = 0;
  std::string line;
  auto writeLine = [&] {
    line = RoundLine(begin, NowDate(), total) + suffix;
    LastRoundLine = line;
    LastRoundTotal = total;
    if (!fs::AppendFile(RoundLogPath(), line + "\r\n")) {
      failedWrites_.push_back(RoundLogPath() + ": " + sys::ErrnoText(errno));
      Ui.MessageBox(RoundLogFailure(RoundLogPath()), Caption, kMbOk);
    }
  };
  try {
    total = RunRound(start, events);
  } catch (...) {
    writeLine();
    throw;
  }
  writeLine();
  return line;
}

std::string TApplication::RoundAction(const std::string& folder, const RoundEvents& events) {
  // " ＠" and the folder's path below the log root.
  return RoundWithLog(folder, " \x81\x97" + RelativeFolder(Log.LogRoot(), folder), events);
}

std::string TApplication::TimerAction(const RoundEvents& events) { return RoundOverAll(NowDate(), events); }

std::string TApplication::RoundOverAll(std::uint32_t start, const RoundEvents& events) {
  // The minute is taken at the start, so neither program runs its
  // scheduled round again in it.
  schedule_.RoundStarted(start);
  // " ＠ＡＬＬ"
  std::string line;
  try {
    line = RoundWithLog(Log.LogRoot(), " \x81\x97\x82\x60\x82\x6b\x82\x6b", events);
  } catch (...) {
    schedule_.RoundDone();  // also after an error: not again in this minute
    throw;
  }
  schedule_.RoundDone();
  return line;
}

bool TApplication::ScheduleDue(std::uint32_t now) {
  const bool editorDirty = editor_ && editor_->HoldsUnsavedChanges();
  return schedule_.Due(Log, now, editorDirty, RoundLogPath());
}

std::string TApplication::ScheduledRound(std::uint32_t now, const RoundEvents& events) {
  struct Scheduled {
    bool& on;
    ~Scheduled() { on = false; }
  } scheduled{scheduledRound_};
  scheduledRound_ = true;
  return RoundOverAll(now, events);
}

bool TApplication::ScheduleTick(std::uint32_t now, const RoundEvents& events) {
  if (!ScheduleDue(now)) return false;
  ScheduledRound(now, events);
  return true;
}

void TApplication::ToggleSchedule() {
  Log.ScheduleEnabled = !Log.ScheduleEnabled;
  Log.SaveRootDef();
}

bool TApplication::ReloadScheduleIfChanged() { return Log.ReloadRootDef(); }

bool TApplication::ServerScheduleTick(std::uint32_t now, const RoundEvents& events) {
  ReloadScheduleIfChanged();
  return ScheduleEnabled() && ScheduleTick(now, events);
}

bool TApplication::SetSchedule(bool enabled, std::uint32_t hours, int minute) {
  const bool wasEnabled = Log.ScheduleEnabled;
  const std::uint32_t wasHours = Log.ScheduleHours;
  const std::uint16_t wasMinute = Log.ScheduleMinute;
  Log.ScheduleEnabled = enabled;
  Log.ScheduleHours = hours & 0xFFFFFFu;
  Log.ScheduleMinute = static_cast<std::uint16_t>(std::clamp(minute, 0, 59));
  if (Log.SaveRootDef()) return true;
  // What is in force is what the file says.
  Log.ScheduleEnabled = wasEnabled;
  Log.ScheduleHours = wasHours;
  Log.ScheduleMinute = wasMinute;
  return false;
}

bool TApplication::HasExport() const {
  return Engine.Symbols.FindValue("EXPORT", script::Kinds(script::sym::kFunction, script::sym::kProcedure), 0) >= 0;
}

void TApplication::Export(const std::string& file, int target, bool deleteExported) {
  ApplyRunSettings();
  Machine.ResetMachine();
  SetTemplateVariables();
  Machine.DataFolder = Log.FolderPath();
  Machine.PushValue(script::TScriptValue::Text(file));
  Machine.PushValue(script::TScriptValue::Integer(target));
  Machine.PushValue(script::TScriptValue::Integer(deleteExported ? 1 : 0));
  Machine.PushValue(script::TScriptValue::Integer(3));
  // In developer mode (the workbench's trace shows) EXPORT stops at its
  // first line for the workbench to step on; otherwise it runs through.
  Machine.RunProcedure("EXPORT", ExportRunState(Settings.developerMode));
  FollowRun();
  Log.SaveLog();
}

script::RunState ExportRunState(bool debug) { return debug ? script::RunState::StepLine : script::RunState::Run; }

void TApplication::FollowRun() {
  if (editor_) editor_->FollowRun(Machine.R.CurrentLine);
}

void TApplication::Stop() {
  Machine.State = script::RunState::Stopped;
  Web.StopTransfer();
}

void TApplication::Skip() { Web.Abort(); }

std::string OutOfMemoryMessage() { return Utf8ToSjis("メモリが足りません"); }

std::string RoundLogFailure(const std::string& path) { return Utf8ToSjis("巡回ログに書き込めません: ") + path; }

std::string RoundLine(std::uint32_t start, std::uint32_t end, int total) {
  return "Folder Round: " + DisplayDateTime(start) + " - " + DisplayTime(end) +
         " , Unread Total: " + std::to_string(total);
}

std::string RelativeFolder(const std::string& root, const std::string& folder) {
  std::string f = fs::IncludeTrailingSeparator(fs::NormalizeSeparators(folder));
  std::string r = fs::IncludeTrailingSeparator(fs::NormalizeSeparators(root));
  if (f.size() >= r.size() && f.compare(0, r.size(), r) == 0) return f.substr(r.size());
  return f;
}

}  // namespace bq::app
