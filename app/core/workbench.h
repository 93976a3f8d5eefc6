#pragma once
// The script workbench without its widgets: the editor's text and modified
// flag, the step list with breakpoints and code position, compile, run, line
// step, instruction step and reset over the application's engine and
// machine, the window caption, the dump texts, the clip template page, the
// value dialog's list, and saving the script of the open folder. The desktop
// page only shows what this computes and forwards the user's actions.
//
// All texts are Shift_JIS. Runs happen on the caller's thread; the busy
// callback lets the shell disable everything but Stop and Skip meanwhile.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "app/core/editor_text.h"
#include "app/core/step_list.h"
#include "app/core/warning_list.h"

namespace bq::app {

// The texts of the dump panes after a refresh.
struct TWorkbenchDumps {
  std::string registers, stack, variables, systemVariables;
  std::string page;  // the machine's first variable: the current page
  int listingRow = -1;  // the listing row of the current code address
};

class TWorkbench {
 public:
  enum class Page { Editor, Debug };
  enum class CaptionState { Plain, Compiling, Compiled };

  // Takes over the application's compile, folder-change and editor-modified
  // hooks for as long as it exists.
  explicit TWorkbench(TApplication& app);
  ~TWorkbench();
  TWorkbench(const TWorkbench&) = delete;
  TWorkbench& operator=(const TWorkbench&) = delete;

  // --- editor ---
  // The text as the system keeps it: Shift_JIS, CR LF lines.
  const std::string& Source() const { return source_; }
  // The editor's text (UTF-8, LF lines) after the user changed it. A
  // character Shift_JIS cannot hold is remembered, and saving is refused
  // until it is gone. Does not touch the modified flag.
  void SetEditorText(std::string_view utf8);
  // Replaces the text as a loaded file does: clears the modified flag and
  // tells OnSourceReplaced.
  void LoadSource(std::string sjis);
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  // The editor's modified flag is the page's; before the text is used the
  // workbench asks it to hand over its current text (SetEditorText).
  std::function<void(TWorkbench&)> SyncEditor;
  std::function<void()> OnSourceReplaced;
  // The text was written: the editor's own modified flag must follow.
  std::function<void()> OnSaved;
  // After compile (also a failed one), reset, run, step and trace.
  std::function<void()> OnChanged;
  // A compile failed (ErrorSpan and the editor page are set), before the
  // error goes on to the caller: also when a round compiled.
  std::function<void()> OnCompileError;

  // --- the flows of the page's buttons and actions ---
  // LoadBtn: the folder's script file (or "template.pss") replaces the
  // editor's text when it exists; then Compile.
  void ReloadAndCompile();
  // CompileBtn. A compile error selects its span (ErrorSpan), makes the
  // editor the active page and is raised again.
  void Compile();
  // ExecInit: reset, template variables, no code position, dumps refreshed.
  void Reset();
  // GoAction: runs from where the machine stands up to a breakpoint.
  void Run();
  // StepAction (one line) and TraceAction (one instruction).
  void Step();
  void Trace();
  // SaveBtn: writes the text to the folder's script file. False when
  // nothing was written (no name given, or a character Shift_JIS cannot
  // hold: the user has been told).
  bool Save();
  // Before another folder opens and at exit: writes unsaved changes, asking
  // for a ScriptName when the folder has none (treeCaption names it). False
  // when the text must not be left: it holds a character Shift_JIS cannot
  // hold, so loading another script would lose it (the user has been told).
  // A cancelled name leaves without writing, as the user chose.
  bool LeaveFolder(const std::string& treeCaption);

  // --- what the page shows ---
  const TStepList& Steps() const { return steps_; }
  void ToggleBreakpoint(int index) { steps_.ToggleBreakpoint(index); }
  int CodePosition() const { return steps_.CodePosition(); }
  bool DebugVisible() const { return debugVisible_; }
  Page ActivePage() const { return activePage_; }
  bool ExportEnabled() const { return exportEnabled_; }
  // The error span of the last failed compile, in editor characters.
  TEditorSpan ErrorSpan() const { return errorSpan_; }
  // The warnings of the last compile (none after a failed one), for the
  // list under the editor.
  const std::vector<TWarningRow>& Warnings() const { return warnings_; }
  std::string Caption() const;
  CaptionState CaptionShown() const { return caption_; }
  // Application title (Shift_JIS) the caption starts with.
  std::string Title = "Brindlequay";
  const std::string& Listing() const { return listing_; }
  const TWorkbenchDumps& Dumps() const { return dumps_; }
  void RefreshDumps();
  // The text extracted from the page as STRIP would (recomputed on demand:
  // the page shows it when it comes to the front).
  std::string ExtractedText() const;
  // Where the last pattern or clip template match lies in the page text, in
  // editor characters; nothing when it was not made in that text.
  std::optional<TEditorSpan> PageMatch() const;

  // System variables pane and its toggle button ("▼" shown, "▲" hidden).
  bool SystemVariablesShown = true;
  std::string SystemVariablesToggleCaption() const;

  // "テンプレート変数": one clip template at a time.
  int TemplateCount() const;
  int TemplateIndex() const { return templateIndex_; }
  std::string TemplateName() const;
  std::string TemplateDump() const;
  void NextTemplate();  // VarLabel click, wrapping to the first

  // The variable list and its value dialog ("変数の値"): entry k is the k-th
  // named slot from the highest down (slot count - 1 - k when every slot
  // has a name).
  std::vector<std::int32_t> VariableSlots() const;
  std::string ValueOfEntry(int entry) const;

  // Page operations of workbench runs answered from the cache only.
  bool RunFromCache = false;

  // Busy state of the shell (entered stoppable for runs, left after).
  std::function<void(bool busy, bool stoppable)> OnBusy;
  // The caption changed.
  std::function<void(const std::string& caption)> OnCaption;

 private:
  void SetCaption(CaptionState state);
  template <class F>
  void Busy(F body);
  void FollowLine(std::int32_t line);
  bool WriteScript(const std::string& treeCaption);
  void Sync();
  void Changed();

  TApplication& app_;
  std::string source_;
  bool modified_ = false;
  std::optional<TUnwritable> unwritable_;
  TStepList steps_;
  bool debugVisible_ = false;
  Page activePage_ = Page::Editor;
  bool exportEnabled_ = false;
  TEditorSpan errorSpan_;
  std::vector<TWarningRow> warnings_;
  CaptionState caption_ = CaptionState::Plain;
  std::string listing_;
  TWorkbenchDumps dumps_;
  int templateIndex_ = 0;
};

}  // namespace bq::app
