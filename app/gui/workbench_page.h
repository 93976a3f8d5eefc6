#pragma once
// The "スクリプト" page: the script editor with its reload, save and compile
// buttons, the debug page (run, line step, instruction step, reset, run from
// the cache) with the step list, code listing, registers, stack, variables
// and system variables, the clip template page, and the page text with the
// text extracted from it. Every rule comes from the workbench model; this
// page shows its texts and forwards the user's actions.
//
// The main window places the page and puts Actions() into its menus; it
// hands in small callbacks for the window caption, its busy state (every
// action but Stop and Skip disabled while a script runs) and the tree/code
// view switch. The machine runs on this thread; the application's event
// pump must run the Qt event loop (QtPump) so Stop and Skip act.
#include <QList>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/core/workbench/workbench.h"

class QAction;
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

class TCodeEditor;
class TScriptHighlighter;

class WorkbenchPage : public QWidget {
  Q_OBJECT
 public:
  struct Hooks {
    std::function<void(const QString& caption)> setCaption;
    std::function<void(bool busy, bool stoppable)> setBusy;
    // Error texts of compile and run; a message box when unset.
    std::function<void(const QString& message)> showError;
    // CodeBtn / ChangeView: switch the tree panel; the page is shown too.
    std::function<void()> changeView;
    // F1 in the editor: opens the language reference at an anchor ("b-GET");
    // by default help/script-reference.html beside the program in the browser.
    std::function<void(const QString& anchor)> openReference;
  };

  explicit WorkbenchPage(app::TApplication& app, Hooks hooks = {}, QWidget* parent = nullptr);
  ~WorkbenchPage() override;

  app::TWorkbench& Model() { return *model_; }
  // LoadBtn, SaveBtn, CompileBtn, GoAction, StepAction, TraceAction,
  // ExecInit, the cache switch and ChangeView, in that order.
  QList<QAction*> Actions() const;

  QAction* LoadBtn;
  QAction* SaveBtn;
  QAction* CompileBtn;
  QAction* GoAction;
  QAction* StepAction;
  QAction* TraceAction;
  QAction* ExecInit;
  QAction* RunFromCache;
  QAction* ChangeView;

  // The panes, for the main window's layout and for tests.
  QTabWidget* Pages;
  TCodeEditor* ProgramSource;
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
  TScriptHighlighter* Highlighter;

  bool Busy() const { return busy_; }
  // The builtin or keyword under the editor's cursor, and F1's action.
  QString WordAtCursor() const;
  QAction* HelpAction;
  // The value dialog of variable list entry k ("変数の値"), modal.
  void ShowValue(int entry);

 private:
  void BuildEditorPage();
  void BuildDebugPage();
  void BuildTextPages();
  void BuildActions();
  void Guarded(const std::function<void()>& action);
  void ShowError(const QString& message);
  void SetBusy(bool busy, bool stoppable);
  void UpdateEnabled();
  void Refresh();
  void RefreshStepList(bool whole);
  void RefreshTemplate();
  void RefreshPageTexts();
  void SelectCompileError();
  void LoadEditorFromModel();

  app::TApplication& app_;
  Hooks hooks_;
  std::unique_ptr<app::TWorkbench> model_;
  QStringListModel* steps_;
  QStringListModel* listing_;
  bool busy_ = false;
  bool editorDirty_ = false;
  bool loading_ = false;
  int markedRow_ = -1;
};

}  // namespace bq::gui
