#pragma once
// The "スクリプト" page: the script editor with its reload, save and compile
// buttons, the debug page (run, line step, instruction step, reset, run from
// the cache) with the step list, code listing, registers, stack, variables
// and system variables, the clip template page, and the page text with the
// text extracted from it. Every rule comes from the workbench model; this
// page shows its texts and forwards the user's actions.
//
// It handles the workbench's commands (reload, save, compile, run, step,
// trace, reset, run from the cache, the reference key); while a script runs
// the application's busy state disables them with the rest. The machine
// runs on this thread; the application's event pump must run the Qt event
// loop (QtPump) so Stop and Skip act.
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "app/controls/qt_text.h"
#include "app/core/workbench/workbench.h"

class QCheckBox;
class QDialog;
class QLabel;
class QListView;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class QTabWidget;

namespace bq::gui {

class CommandActions;
class CodeEditor;
class ScriptHighlighter;

class WorkbenchPage : public QWidget, private app::TWorkbench::View {
  Q_OBJECT
 public:
  // The page handles the workbench's commands of `commands` (their keys act
  // on the page; the reference key in the editor).
  WorkbenchPage(app::TApplication& app, CommandActions& commands, QWidget* parent = nullptr);
  ~WorkbenchPage() override;

  app::TWorkbench& Model() { return *model_; }

  // The panes, for the main window's layout and for tests.
  QTabWidget* Pages;
  CodeEditor* ProgramSource;
  // The warnings of the last compile, under the editor (hidden when none);
  // activating a row (double click, Enter) selects its span in the editor.
  QListWidget* WarningList;
  QWidget* EditorPage;
  QWidget* DebugPage;
  QWidget* TemplatePage;
  QListView* StepListBox;
  QListView* Output;
  QPlainTextEdit* RegList;
  QPlainTextEdit* StackList;
  QListWidget* VarList;
  QPlainTextEdit* SysVarList;
  QPushButton* SysVarToggle;
  QPushButton* VarLabel;
  QPlainTextEdit* ListBox1;
  QPlainTextEdit* HTMLText;
  QPlainTextEdit* HTMLRawText;
  QCheckBox* CacheCheck;
  ScriptHighlighter* Highlighter;

  // The builtin or keyword under the editor's cursor.
  QString WordAtCursor() const;
  // The value dialog of variable list entry k ("変数の値"), modal.
  void ShowValue(int entry);
  // The editor shows warning row k: its page in front, its span selected.
  void GoToWarning(int row);

 signals:
  // The window caption the workbench shows.
  void captionChanged(const QString& caption);
  // F1 in the editor: the language reference at an anchor ("b-GET"; empty
  // for the top).
  void referenceRequested(const QString& anchor);
  // The page's caption: marked while the editor's text is unsaved or not
  // compiled.
  void pageCaptionChanged(const QString& caption);

 private:
  // TWorkbench::View
  std::optional<std::string> EditedText() override;
  void SourceReplaced() override;
  void Saved() override;
  void Changed() override {
    Refresh();
    EmitPageCaption();
  }
  void CompileFailed() override;
  void CaptionChanged() override { emit captionChanged(FromSjis(model_->Caption())); }

  void BuildEditorPage();
  void BuildDebugPage();
  void BuildTextPages();
  void ConnectCommands();
  void Guarded(void (app::TWorkbench::*step)());
  void Refresh();
  void RefreshStepList(bool whole);
  void RefreshTemplate();
  void RefreshPageTexts();
  void RefreshWarnings();
  // The system-variable pane follows the settings.
  void FollowSystemVariables();
  void EmitPageCaption();

  app::TApplication& app_;
  CommandActions& commands_;
  std::unique_ptr<app::TWorkbench> model_;
  QStringListModel* steps_;
  QStringListModel* listing_;
  bool editorDirty_ = false;
  bool loading_ = false;
  int markedRow_ = -1;
  QStringList shownWarnings_;
};

}  // namespace bq::gui
