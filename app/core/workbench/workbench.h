#pragma once
// The script workbench without its widgets: the editor's text and modified
// flag, the step list with breakpoints and code position, compile, run, line
// step, instruction step and reset over the application's engine and
// machine, the window caption, the dump texts, the clip template page, the
// value dialog's list, and saving the script of the open folder. The desktop
// page only shows what this computes and forwards the user's actions.
//
// All texts are Shift_JIS. Runs happen on the caller's thread in the
// application's busy state, so the shell disables everything but Stop and
// Skip meanwhile. What the page shows follows through View.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "app/core/workbench/editor_text.h"
#include "app/core/workbench/step_list.h"
#include "app/core/workbench/warning_list.h"

namespace bq::app {

// The texts of the dump panes after a refresh.
struct WorkbenchDumps {
  std::string registers, stack, variables, systemVariables;
  std::string page;  // the machine's first variable: the current page
  int listingRow = -1;  // the listing row of the current code address
};

class TWorkbench : public TApplication::Editor {
 public:
  enum class Page { Editor, Debug };
  enum class CaptionState { Plain, Compiling, Compiled };

  // The page that shows the workbench.
  class View {
   public:
    virtual ~View() = default;
    // The editor's text (UTF-8) when the user changed it since it was last
    // asked for; nothing otherwise.
    virtual std::optional<std::string> EditedText() { return std::nullopt; }
    // The text was replaced as a loaded file does.
    virtual void SourceReplaced() {}
    // The text was written: the editor's own modified flag must follow.
    virtual void Saved() {}
    // After compile (also a failed one), reset, run, step and trace.
    virtual void Changed() {}
    // A compile failed (ErrorSpan and the editor page are set), before the
    // error goes on to the caller: also when a round compiled.
    virtual void CompileFailed() {}
    virtual void CaptionChanged() {}
  };
  void SetView(View* view) { view_ = view; }

  // The application's script editor for as long as it exists: it loads and
  // compiles the scripts of folders and rounds, and is asked before a
  // folder is left and before a scheduled round.
  explicit TWorkbench(TApplication& app);
  ~TWorkbench() override;
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
  // tells the view.
  void LoadSource(std::string sjis);
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  // The editor's modified flag is the page's; before the text is used the
  // workbench asks the view for the text the user changed.

  // --- the flows of the page's buttons and actions ---
  // LoadBtn: the folder's script file (or "template.pss") replaces the
  // editor's text when it exists; then Compile.
  void ReloadAndCompile() override;
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
  // The application's questions (see TApplication::Editor).
  void LeaveOpenFolder() override;
  bool HoldsUnsavedChanges() override;
  bool RunsFromCache() const override { return RunFromCache; }
  // After a fetch, a round's folder, a run or an export: the code position
  // and the dumps show where the machine stopped.
  void FollowRun(std::int32_t line) override;

  // --- what the page shows ---
  const TStepList& Steps() const { return steps_; }
  void ToggleBreakpoint(int index) { steps_.ToggleBreakpoint(index); }
  int CodePosition() const { return steps_.CodePosition(); }
  bool DebugVisible() const { return debugVisible_; }
  Page ActivePage() const { return activePage_; }
  // The error span of the last failed compile, in editor characters.
  EditorSpan ErrorSpan() const { return errorSpan_; }
  // The warnings of the last compile (none after a failed one), for the
  // list under the editor.
  const std::vector<WarningRow>& Warnings() const { return warnings_; }
  std::string Caption() const;
  CaptionState CaptionShown() const { return caption_; }
  // Application title (Shift_JIS) the caption starts with.
  std::string Title = "Brindlequay";
  const std::string& Listing() const { return listing_; }
  const WorkbenchDumps& Dumps() const { return dumps_; }
  void RefreshDumps();
  // The text extracted from the page as STRIP would (recomputed on demand:
  // the page shows it when it comes to the front).
  std::string ExtractedText() const;
  // Where the last pattern or clip template match lies in the page text, in
  // editor characters; nothing when it was not made in that text.
  std::optional<EditorSpan> PageMatch() const;

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

 private:
  void SetCaption(CaptionState state);
  template <class F>
  void Busy(Activity activity, F body);
  void FollowLine(std::int32_t line);
  bool WriteScript(const std::string& treeCaption);
  void Sync();
  void Changed();

  TApplication& app_;
  View* view_ = nullptr;
  TScrapList& log_;
  script::TScriptEngine& engine_;
  script::TScriptMachine& machine_;
  TWebAccess& web_;
  std::string source_;
  bool modified_ = false;
  std::optional<Unwritable> unwritable_;
  TStepList steps_;
  bool debugVisible_ = false;
  Page activePage_ = Page::Editor;
  EditorSpan errorSpan_;
  std::vector<WarningRow> warnings_;
  CaptionState caption_ = CaptionState::Plain;
  std::string listing_;
  WorkbenchDumps dumps_;
  int templateIndex_ = 0;
};

}  // namespace bq::app
