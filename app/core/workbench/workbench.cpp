// The workbench's flows: reload and compile, reset, run to a breakpoint,
// line and instruction steps, saving, and the texts of its panes.
#include "app/core/workbench/workbench.h"

#include <exception>

#include "app/core/kernel.h"
#include "app/core/shell/shell_model.h"
#include "platform/fs.h"
#include "script/listing.h"
#include "script/views.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::app {

namespace {

// "のスクリプト名を入力してください" and "ファイル名"
const char* const kAskScriptName =
    "\x82\xcc\x83X\x83N\x83\x8a\x83v\x83g\x96\xbc\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2";
const char* const kFileNamePrompt = "\x83t\x83@\x83" "C\x83\x8b\x96\xbc";
// "スクリプト名にフォルダは使えません"
const char* const kNoFolderInName =
    "\x83X\x83N\x83\x8a\x83v\x83g\x96\xbc\x82\xc9\x83t\x83H\x83\x8b\x83_\x82\xcd\x8eg\x82\xa6\x82\xdc\x82\xb9\x82\xf1";

// "編集中のスクリプトを保存できないため、フォルダを切り替えません"
const char* const kKeepingUnsavedScript =
    "\x95\xd2\x8f\x57\x92\x86\x82\xcc\x83\x58\x83\x4e\x83\x8a\x83\x76\x83\x67\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab"
    "\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x81\x41\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x90\xd8\x82\xe8\x91\xd6\x82\xa6"
    "\x82\xdc\x82\xb9\x82\xf1";

// The folder's caption in the tree: the log root's is the top node's.
std::string FolderCaption(const std::string& folder, const std::string& logRoot) {
  if (folder.empty() || folder == logRoot) return RootCaption();
  std::string f = folder;
  while (!f.empty() && (f.back() == '/' || f.back() == '\\')) f.pop_back();
  return fs::ExtractFileName(f);
}

}  // namespace

std::string ScriptPageCaption(bool saved, bool compiled) {
  std::string caption = Utf8ToSjis("スクリプト");
  if (!saved) caption += " *";
  if (!compiled) caption += Utf8ToSjis(" (未コンパイル)");
  return caption;
}

TWorkbench::TWorkbench(TApplication& app)
    : app_(app),
      log_(TKernel::Log(app)),
      engine_(TKernel::Engine(app)),
      machine_(TKernel::Machine(app)),
      web_(TKernel::Web(app)) {
  app_.AttachEditor(this);
}

TWorkbench::~TWorkbench() { app_.AttachEditor(nullptr); }

void TWorkbench::LeaveOpenFolder() {
  keptByUser_ = false;
  if (!LeaveFolder(FolderCaption(log_.FolderPath(), log_.LogRoot())))
    throw Exception(keptByUser_ ? Utf8ToSjis("編集中のスクリプトのため、フォルダを切り替えません") : kKeepingUnsavedScript);
}

bool TWorkbench::HoldsUnsavedChanges() {
  Sync();
  return modified_;
}

void TWorkbench::SetEditorText(std::string_view utf8) {
  unwritable_ = FirstUnwritable(utf8);
  source_ = EditorToSjis(utf8);
}

void TWorkbench::LoadSource(std::string sjis) {
  source_ = script::AsCrLfLines(sjis);
  unwritable_.reset();
  modified_ = false;
  if (view_) view_->SourceReplaced();
}

void TWorkbench::Sync() {
  if (!view_) return;
  if (std::optional<std::string> text = view_->EditedText()) SetEditorText(*text);
}

void TWorkbench::Changed() {
  if (view_) view_->Changed();
}

void TWorkbench::SetCaption(CaptionState state) {
  caption_ = state;
  if (view_) view_->CaptionChanged();
}

std::string TWorkbench::Caption() const {
  // The log root is no site: the window names a script only while a site
  // folder is open.
  if (app_.LogRootOpen()) return Title;
  const std::string& file = log_.Folder.ScriptName;
  switch (caption_) {
    case CaptionState::Compiling: return Title + " - ??? (" + file + ")";
    case CaptionState::Compiled: return Title + " - " + engine_.ProgramName + " (" + file + ")";
    case CaptionState::Plain: break;
  }
  return Title;
}

void TWorkbench::ReloadAndCompile() {
  std::string path = app_.ScriptPath();
  std::string text;
  if (fs::FileExists(path) && fs::ReadFile(path, text, limits::kMaxScriptFile)) LoadSource(std::move(text));
  Compile();
}

void TWorkbench::Compile() {
  Sync();
  attempted_ = source_;
  attemptedOnce_ = true;
  compileError_.clear();
  debugVisible_ = false;
  SetCaption(CaptionState::Compiling);
  steps_.Fill(source_);
  warnings_.clear();
  bool compiled = false;
  try {
    compiled = engine_.CompileScript(source_, true);
  } catch (const script::ECompileError& e) {
    compileError_ = e.what();
    errorSpan_ = EditorSpanOf(source_, static_cast<std::size_t>(std::max(engine_.ErrorStart, 0)),
                            static_cast<std::size_t>(std::max(engine_.ErrorLength, 0)));
    activePage_ = Page::Editor;
    listing_.clear();
    if (view_) view_->CompileFailed();
    Changed();
    throw;
  }
  if (!compiled) {
    listing_ = script::ListCode(engine_);  // whatever the declined compile left
    Changed();
    return;
  }
  listing_ = script::ListCode(engine_);
  warnings_ = WarningRows(engine_, source_);
  templateIndex_ = 0;
  if (steps_.Count() > 0) {
    debugVisible_ = true;
    activePage_ = Page::Debug;
  }
  SetCaption(CaptionState::Compiled);
  Reset();
}

void TWorkbench::CompileChanges() {
  Sync();
  if (!attemptedOnce_ || source_ != attempted_) Compile();
}

bool TWorkbench::Compiled() {
  Sync();
  return attemptedOnce_ && source_ == attempted_ && compileError_.empty() && caption_ == CaptionState::Compiled;
}

std::string TWorkbench::PageCaption() { return ScriptPageCaption(!HoldsUnsavedChanges(), Compiled()); }

void TWorkbench::Reset() {
  machine_.ResetMachine();
  app_.SetTemplateVariables();
  machine_.DataFolder = log_.FolderPath();
  steps_.SetCodePosition(-1);
  RefreshDumps();
  Changed();
}

template <class F>
void TWorkbench::Busy(Activity activity, F body) {
  std::exception_ptr error;
  {
    TBusyState::Scope busy = app_.Busy().Enter(activity, true);
    // Workbench runs read the page cache alone when the user asks for it.
    struct CacheOnly {
      TWebAccess& web;
      bool saved;
      ~CacheOnly() { web.CacheOnly = saved; }
    } cacheOnly{web_, web_.CacheOnly};
    web_.CacheOnly = RunFromCache;
    try {
      body();
    } catch (...) {
      error = std::current_exception();
      FollowLine(machine_.R.CurrentLine);
    }
  }
  Changed();
  if (error) std::rethrow_exception(error);
}

// The code position follows the line the machine reports; line 0 is the
// program's heading, which the machine also reports before any statement.
void TWorkbench::FollowLine(std::int32_t line) {
  steps_.SetCodePosition(line == 0 ? -1 : line);
  RefreshDumps();
}

void TWorkbench::FollowRun(std::int32_t line) {
  FollowLine(line);
  Changed();
}

void TWorkbench::Run() {
  if (engine_.ProgramName.empty()) return;
  Busy(Activity::WorkbenchRun, [this] {
    web_.ResetStop();
    app_.RunScript(steps_.Breakpoints());  // the code position follows through FollowRun
  });
}

void TWorkbench::Step() {
  if (engine_.ProgramName.empty()) return;
  Busy(Activity::Workbench, [this] {
    machine_.State = script::RunState::StepLine;
    machine_.Run();
    FollowLine(machine_.R.CurrentLine);
  });
}

void TWorkbench::Trace() {
  if (engine_.ProgramName.empty()) return;
  Busy(Activity::Workbench, [this] {
    machine_.State = script::RunState::StepOne;
    machine_.Run();
    FollowLine(machine_.R.CurrentLine);
  });
}

void TWorkbench::RefreshDumps() {
  const script::TScriptMachine& m = machine_;
  dumps_.registers = script::ShowRegisters(m);
  dumps_.stack = script::ShowStack(m);
  dumps_.variables = script::ShowVariables(m);
  dumps_.systemVariables = script::ShowSystemVariables(m);
  dumps_.page = m.StackSlot(0).Str;
  dumps_.listingRow = m.Code().Count() > 0 ? m.R.PC : -1;
}

std::string TWorkbench::ExtractedText() const {
  return StripHtml(dumps_.page, machine_.TagTable, machine_.R.SMR);
}

std::optional<EditorSpan> TWorkbench::PageMatch() const {
  const script::TLastMatch& last = machine_.LastMatch;
  const std::string& page = dumps_.page;
  if (!last.Valid || last.Text.empty()) return std::nullopt;
  std::size_t at = last.Begin;
  if (at > page.size() || page.compare(at, last.Text.size(), last.Text) != 0) {
    // Matched in a copy or a cut of the page: mark it only where the page
    // holds that text exactly once.
    at = page.find(last.Text);
    if (at == std::string::npos || page.find(last.Text, at + 1) != std::string::npos) return std::nullopt;
  }
  return EditorSpanOf(page, at, last.Text.size());
}

std::string TWorkbench::SystemVariablesToggleCaption() const {
  return SystemVariablesShown() ? "\x81\xa3" : "\x81\xa5";  // "▲" hides, "▼" shows
}

int TWorkbench::TemplateCount() const { return static_cast<int>(engine_.Clips.Count()); }

std::string TWorkbench::TemplateName() const {
  const script::TClipTemplate* t = engine_.Clips.ByIndex(static_cast<std::size_t>(templateIndex_));
  return t ? t->Name : std::string();
}

std::string TWorkbench::TemplateDump() const {
  const script::TClipTemplate* t = engine_.Clips.ByIndex(static_cast<std::size_t>(templateIndex_));
  return t ? script::DumpClipTemplate(*t) : std::string();
}

void TWorkbench::NextTemplate() {
  int n = TemplateCount();
  templateIndex_ = n > 0 ? (templateIndex_ + 1) % n : 0;
}

std::vector<std::int32_t> TWorkbench::VariableSlots() const {
  std::vector<std::int32_t> slots;
  const script::TSymbolTable& symbols = machine_.Symbols();
  for (std::int32_t slot = symbols.SlotCount() - 1; slot >= 0; --slot)
    if (symbols.VariableName(slot) != nullptr) slots.push_back(slot);
  return slots;
}

std::string TWorkbench::ValueOfEntry(int entry) const {
  std::vector<std::int32_t> slots = VariableSlots();
  if (entry < 0 || entry >= static_cast<int>(slots.size())) return std::string();
  const script::TScriptValue& v = machine_.StackSlot(slots[static_cast<std::size_t>(entry)]);
  return v.IsText() ? v.Str : std::to_string(v.Int);
}

bool TWorkbench::Save() {
  Sync();
  return WriteScript(FolderCaption(log_.FolderPath(), log_.LogRoot()));
}

bool TWorkbench::LeaveFolder(const std::string& treeCaption) {
  Sync();
  if (!modified_) return true;
  if (source_ != attempted_ || !attemptedOnce_) {
    try {
      Compile();
    } catch (const script::ECompileError&) {
      // Compile kept the message.
    }
  }
  if (!compileError_.empty()) {
    const int answer = app_.Ui.MessageBox(
        treeCaption + Utf8ToSjis(" のスクリプトはコンパイルできません。\r\n") + compileError_ +
            Utf8ToSjis("\r\n\r\n保存しますか？"),
        app_.Caption, kMbYesNoCancel);
    if (answer == kIdCancel) {
      keptByUser_ = true;
      return false;
    }
    if (answer == kIdNo) return true;
  }
  return WriteScript(treeCaption) || !unwritable_;
}

bool TWorkbench::WriteScript(const std::string& treeCaption) {
  if (unwritable_) {
    app_.Ui.MessageBox(UnwritableMessage(*unwritable_), app_.Caption, kMbOk);
    return false;
  }
  std::string name = log_.Folder.ScriptName;
  if (name.empty()) {
    std::string answer;
    if (!app_.Ui.InputBox(treeCaption + kAskScriptName, kFileNamePrompt, answer) || answer.empty()) return false;
    // The name is a file in the script folder, never a path out of it.
    if (fs::ExtractFileName(fs::NormalizeSeparators(answer)) != answer || answer == "." || answer == "..") {
      app_.Ui.MessageBox(kNoFolderInName, app_.Caption, kMbOk);
      return false;
    }
    name = answer;
    log_.Folder.ScriptName = name;
    log_.SaveNode();
  }
  fs::WriteFileAtomic(app_.LibFolder() + name, source_);
  modified_ = false;
  if (view_) view_->Saved();
  return true;
}

}  // namespace bq::app
