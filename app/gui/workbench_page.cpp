// The workbench page's widgets, wired to the workbench model.
#include "app/gui/workbench_page.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QUrl>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStringListModel>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/workbench/reference.h"
#include "app/gui/code_editor.h"
#include "app/gui/script_highlighter.h"
#include "textlib/cp932.h"

namespace bq::gui {

namespace {

QString Q(const std::string& sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

// A dump's lines (CR LF separated) as list rows.
QStringList Rows(const std::string& sjis) {
  QStringList rows = Q(sjis).split(QStringLiteral("\r\n"));
  if (!rows.isEmpty() && rows.back().isEmpty()) rows.pop_back();
  return rows;
}

QFont FixedFont() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setStyleHint(QFont::Monospace);
  return f;
}

QPlainTextEdit* Pane(const char* name, QWidget* parent) {
  auto* p = new QPlainTextEdit(parent);
  p->setObjectName(QString::fromLatin1(name));
  p->setReadOnly(true);
  p->setLineWrapMode(QPlainTextEdit::NoWrap);
  p->setFont(FixedFont());
  return p;
}

QListView* FastList(const char* name, QStringListModel* model, QWidget* parent) {
  auto* v = new QListView(parent);
  v->setObjectName(QString::fromLatin1(name));
  v->setModel(model);
  v->setUniformItemSizes(true);  // long listings stay fast
  v->setFont(FixedFont());
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return v;
}

QAction* MakeAction(QObject* parent, const char* name, const QString& text, const QString& hint = QString()) {
  auto* a = new QAction(text, parent);
  a->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) {
    a->setToolTip(hint);
    a->setStatusTip(hint);
  }
  return a;
}

}  // namespace

WorkbenchPage::WorkbenchPage(app::TApplication& app, Hooks hooks, QWidget* parent)
    : QWidget(parent), app_(app), hooks_(std::move(hooks)), model_(std::make_unique<app::TWorkbench>(app)) {
  setObjectName(QStringLiteral("ScriptPage"));
  steps_ = new QStringListModel(this);
  listing_ = new QStringListModel(this);
  Pages = new QTabWidget(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Pages);
  BuildActions();
  BuildEditorPage();
  BuildDebugPage();
  BuildTextPages();

  app::TWorkbench& m = *model_;
  m.SyncEditor = [this](app::TWorkbench& wb) {
    if (!editorDirty_) return;
    wb.SetEditorText(ProgramSource->toPlainText().toStdString());
    editorDirty_ = false;
  };
  m.OnSourceReplaced = [this] { LoadEditorFromModel(); };
  m.OnSaved = [this] { ProgramSource->document()->setModified(false); };
  m.OnChanged = [this] { Refresh(); };
  m.OnCompileError = [this] { SelectCompileError(); };
  m.OnBusy = [this](bool busy, bool stoppable) { SetBusy(busy, stoppable); };
  m.OnCaption = [this](const std::string& caption) {
    if (hooks_.setCaption) hooks_.setCaption(Q(caption));
  };
  Pages->setTabVisible(Pages->indexOf(DebugPage), false);
  UpdateEnabled();
}

WorkbenchPage::~WorkbenchPage() {
  // The model outlives nothing of ours: drop its callbacks first.
  model_->SyncEditor = nullptr;
  model_->OnSourceReplaced = nullptr;
  model_->OnSaved = nullptr;
  model_->OnChanged = nullptr;
  model_->OnCompileError = nullptr;
  model_->OnBusy = nullptr;
  model_->OnCaption = nullptr;
}

QList<QAction*> WorkbenchPage::Actions() const {
  return {LoadBtn, SaveBtn, CompileBtn, GoAction, StepAction, TraceAction, ExecInit, RunFromCache, ChangeView};
}

void WorkbenchPage::BuildActions() {
  LoadBtn = MakeAction(this, "LoadBtn", QStringLiteral("再読込"));
  SaveBtn = MakeAction(this, "SaveBtn", QStringLiteral("保存"));
  CompileBtn = MakeAction(this, "CompileBtn", QStringLiteral("コンパイル"));
  GoAction = MakeAction(this, "GoAction", QStringLiteral("実行"), QStringLiteral("スクリプト実行"));
  StepAction = MakeAction(this, "StepAction", QStringLiteral("ステップ実行"), QStringLiteral("一行ステップ実行"));
  TraceAction = MakeAction(this, "TraceAction", QStringLiteral("トレース"), QStringLiteral("１命令実行"));
  ExecInit = MakeAction(this, "ExecInit", QStringLiteral("リセット"), QStringLiteral("レジスタの初期化"));
  RunFromCache = MakeAction(this, "RunFromCache", QStringLiteral("キャッシュから実行"),
                            QStringLiteral("ページをキャッシュだけから読み込み、サイトには接続しない"));
  ChangeView = MakeAction(this, "ChangeView", QStringLiteral("コード"), QStringLiteral("ビューをツリーに戻す"));
  RunFromCache->setCheckable(true);
  SaveBtn->setShortcut(QKeySequence::Save);
  CompileBtn->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
  GoAction->setShortcut(QKeySequence(Qt::Key_F9));
  StepAction->setShortcut(QKeySequence(Qt::Key_F8));
  TraceAction->setShortcut(QKeySequence(Qt::Key_F7));
  for (QAction* a : Actions()) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }
  connect(LoadBtn, &QAction::triggered, this, [this] { Guarded([this] { model_->ReloadAndCompile(); }); });
  connect(SaveBtn, &QAction::triggered, this, [this] { Guarded([this] { model_->Save(); }); });
  connect(CompileBtn, &QAction::triggered, this, [this] { Guarded([this] { model_->Compile(); }); });
  connect(GoAction, &QAction::triggered, this, [this] { Guarded([this] { model_->Run(); }); });
  connect(StepAction, &QAction::triggered, this, [this] { Guarded([this] { model_->Step(); }); });
  connect(TraceAction, &QAction::triggered, this, [this] { Guarded([this] { model_->Trace(); }); });
  connect(ExecInit, &QAction::triggered, this, [this] { Guarded([this] { model_->Reset(); }); });
  connect(RunFromCache, &QAction::toggled, this, [this](bool on) { model_->RunFromCache = on; });
  connect(ChangeView, &QAction::triggered, this, [this] {
    if (hooks_.changeView) hooks_.changeView();
  });
}

void WorkbenchPage::BuildEditorPage() {
  EditorPage = new QWidget(Pages);
  auto* bar = new QToolBar(EditorPage);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addAction(LoadBtn);
  bar->addAction(SaveBtn);
  bar->addAction(CompileBtn);
  ProgramSource = new TCodeEditor(EditorPage);
  Highlighter = new TScriptHighlighter(ProgramSource->document());
  auto* layout = new QVBoxLayout(EditorPage);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(bar);
  layout->addWidget(ProgramSource);
  HelpAction = MakeAction(this, "HelpAction", QStringLiteral("リファレンス"), QStringLiteral("カーソル位置の語の説明を開く"));
  HelpAction->setShortcut(QKeySequence::HelpContents);
  HelpAction->setShortcutContext(Qt::WidgetShortcut);
  ProgramSource->addAction(HelpAction);
  connect(HelpAction, &QAction::triggered, this, [this] {
    QString anchor = QString::fromStdString(app::ReferenceAnchor(WordAtCursor().toStdString()));
    if (hooks_.openReference) {
      hooks_.openReference(anchor);
      return;
    }
    QUrl url = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/help/script-reference.html"));
    if (!anchor.isEmpty()) url.setFragment(anchor);
    QDesktopServices::openUrl(url);
  });
  connect(ProgramSource, &QPlainTextEdit::textChanged, this, [this] {
    if (!loading_) editorDirty_ = true;
  });
  connect(ProgramSource->document(), &QTextDocument::modificationChanged, this,
          [this](bool modified) { model_->SetModified(modified); });
  Pages->addTab(EditorPage, QStringLiteral("エディタ"));
}

void WorkbenchPage::BuildDebugPage() {
  DebugPage = new QWidget(Pages);
  auto* bar = new QToolBar(DebugPage);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addAction(GoAction);
  bar->addAction(StepAction);
  bar->addAction(TraceAction);
  bar->addAction(ExecInit);
  bar->addSeparator();
  CacheCheck = new QCheckBox(QStringLiteral("キャッシュから実行"), bar);
  CacheCheck->setObjectName(QStringLiteral("CacheCheck"));
  CacheCheck->setToolTip(RunFromCache->toolTip());
  bar->addWidget(CacheCheck);
  connect(CacheCheck, &QCheckBox::toggled, RunFromCache, &QAction::setChecked);
  connect(RunFromCache, &QAction::toggled, CacheCheck, &QCheckBox::setChecked);
  bar->addSeparator();
  bar->addAction(ChangeView);

  StepListBox = FastList("StepListBox", steps_, DebugPage);
  Output = FastList("Output", listing_, DebugPage);
  RegList = Pane("RegList", DebugPage);
  StackList = Pane("StackList", DebugPage);
  SysVarList = Pane("SysVarList", DebugPage);
  VarList = new QListWidget(DebugPage);
  VarList->setObjectName(QStringLiteral("VarList"));
  VarList->setFont(FixedFont());
  // The register view always has its eight lines in sight.
  RegList->setMinimumHeight(RegList->fontMetrics().lineSpacing() * 8 + 2 * RegList->frameWidth() +
                            2 * static_cast<int>(RegList->document()->documentMargin()) + 6);
  SysVarToggle = new QPushButton(DebugPage);
  SysVarToggle->setObjectName(QStringLiteral("SysVarToggle"));
  SysVarToggle->setFixedWidth(32);

  auto* sysBox = new QWidget(DebugPage);
  auto* sysLayout = new QVBoxLayout(sysBox);
  sysLayout->setContentsMargins(0, 0, 0, 0);
  sysLayout->addWidget(SysVarToggle, 0, Qt::AlignLeft);
  sysLayout->addWidget(SysVarList);
  auto* dumps = new QSplitter(Qt::Horizontal, DebugPage);
  dumps->addWidget(StackList);
  dumps->addWidget(VarList);
  dumps->addWidget(sysBox);
  auto* right = new QSplitter(Qt::Vertical, DebugPage);
  right->addWidget(Output);
  right->addWidget(RegList);
  right->addWidget(dumps);
  right->setStretchFactor(0, 3);
  right->setStretchFactor(1, 1);
  right->setStretchFactor(2, 2);
  auto* body = new QSplitter(Qt::Horizontal, DebugPage);
  body->addWidget(StepListBox);
  body->addWidget(right);
  body->setStretchFactor(0, 1);
  body->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(DebugPage);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(bar);
  layout->addWidget(body);

  connect(StepListBox, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
    model_->ToggleBreakpoint(index.row());
    steps_->setData(steps_->index(index.row()), Q(model_->Steps().Entries()[static_cast<std::size_t>(index.row())]));
  });
  connect(VarList, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ShowValue(VarList->row(item)); });
  connect(SysVarToggle, &QPushButton::clicked, this, [this] {
    model_->SystemVariablesShown = !model_->SystemVariablesShown;
    SysVarList->setVisible(model_->SystemVariablesShown);
    SysVarToggle->setText(Q(model_->SystemVariablesToggleCaption()));
  });
  SysVarToggle->setText(Q(model_->SystemVariablesToggleCaption()));
  Pages->addTab(DebugPage, QStringLiteral("デバッグ"));
}

void WorkbenchPage::BuildTextPages() {
  TemplatePage = new QWidget(Pages);
  VarLabel = new QPushButton(TemplatePage);
  VarLabel->setObjectName(QStringLiteral("VarLabel"));
  VarLabel->setFlat(true);
  VarLabel->setToolTip(QStringLiteral("クリックで次のテンプレート"));
  ListBox1 = Pane("ListBox1", TemplatePage);
  auto* layout = new QVBoxLayout(TemplatePage);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(VarLabel, 0, Qt::AlignLeft);
  layout->addWidget(ListBox1);
  connect(VarLabel, &QPushButton::clicked, this, [this] {
    model_->NextTemplate();
    RefreshTemplate();
  });
  Pages->addTab(TemplatePage, QStringLiteral("テンプレート変数"));
  HTMLText = Pane("HTMLText", Pages);
  HTMLRawText = Pane("HTMLRawText", Pages);
  HTMLText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  HTMLRawText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Pages->addTab(HTMLText, QStringLiteral("HTML"));
  Pages->addTab(HTMLRawText, QStringLiteral("抽出テキスト"));
  connect(Pages, &QTabWidget::currentChanged, this, [this](int index) {
    if (Pages->widget(index) == HTMLRawText) HTMLRawText->setPlainText(Q(model_->ExtractedText()));
  });
}

void WorkbenchPage::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    ShowError(Q(e.what()));
  }
}

void WorkbenchPage::ShowError(const QString& message) {
  if (hooks_.showError) hooks_.showError(message);
  else QMessageBox::warning(this, QString::fromStdString(SjisToUtf8(app_.Caption)), message);
}

void WorkbenchPage::SetBusy(bool busy, bool stoppable) {
  busy_ = busy;
  UpdateEnabled();
  if (hooks_.setBusy) hooks_.setBusy(busy, stoppable);
}

// While a script runs nothing may compile, reset or re-enter the machine;
// the panes wait too, so no modal dialog opens inside a run.
void WorkbenchPage::UpdateEnabled() {
  for (QAction* a : Actions()) a->setEnabled(!busy_);
  CacheCheck->setEnabled(!busy_);
  VarList->setEnabled(!busy_);
  StepListBox->setEnabled(!busy_);
}

void WorkbenchPage::LoadEditorFromModel() {
  loading_ = true;
  ProgramSource->setPlainText(QString::fromStdString(app::SjisToEditor(model_->Source())));
  loading_ = false;
  editorDirty_ = false;
  ProgramSource->document()->setModified(false);
}

void WorkbenchPage::SelectCompileError() {
  Pages->setTabVisible(Pages->indexOf(DebugPage), false);
  Pages->setCurrentWidget(EditorPage);
  app::TEditorSpan span = model_->ErrorSpan();
  ProgramSource->SelectSpan(static_cast<int>(span.start), static_cast<int>(span.length));
  ProgramSource->setFocus();
}

void WorkbenchPage::RefreshStepList(bool whole) {
  const auto& entries = model_->Steps().Entries();
  if (whole || steps_->rowCount() != static_cast<int>(entries.size())) {
    QStringList rows;
    rows.reserve(static_cast<int>(entries.size()));
    for (const auto& e : entries) rows << Q(e);
    steps_->setStringList(rows);
  } else {
    for (int row : {markedRow_, model_->CodePosition()})
      if (row >= 0 && row < steps_->rowCount())
        steps_->setData(steps_->index(row), Q(entries[static_cast<std::size_t>(row)]));
  }
  markedRow_ = model_->CodePosition();
  if (markedRow_ >= 0) {
    QModelIndex index = steps_->index(markedRow_);
    StepListBox->setCurrentIndex(index);
    StepListBox->scrollTo(index);
  }
}

void WorkbenchPage::RefreshTemplate() {
  VarLabel->setText(model_->TemplateCount() > 0 ? Q(model_->TemplateName()) : QStringLiteral("(テンプレートなし)"));
  ListBox1->setPlainText(Q(model_->TemplateDump()));
}

void WorkbenchPage::RefreshPageTexts() {
  const auto& d = model_->Dumps();
  HTMLText->setPlainText(Q(d.page));
  QList<QTextEdit::ExtraSelection> marks;
  if (auto span = model_->PageMatch()) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(HTMLText->document());
    mark.cursor.setPosition(static_cast<int>(span->start));
    mark.cursor.setPosition(static_cast<int>(span->start + span->length), QTextCursor::KeepAnchor);
    mark.format.setBackground(QColor(0xFF, 0xE0, 0x40));
    mark.format.setForeground(QColor(0x80, 0x00, 0x00));
    marks << mark;
    QTextCursor c(HTMLText->document());
    c.setPosition(static_cast<int>(span->start));
    HTMLText->setTextCursor(c);
    HTMLText->centerCursor();
  }
  HTMLText->setExtraSelections(marks);
  if (Pages->currentWidget() == HTMLRawText) HTMLRawText->setPlainText(Q(model_->ExtractedText()));
}

void WorkbenchPage::Refresh() {
  const app::TWorkbench& m = *model_;
  bool fresh = listing_->rowCount() == 0 || m.Steps().CodePosition() < 0;
  if (fresh) listing_->setStringList(Rows(m.Listing()));
  RefreshStepList(fresh);
  const auto& d = m.Dumps();
  RegList->setPlainText(Q(d.registers));
  StackList->setPlainText(Q(d.stack));
  SysVarList->setPlainText(Q(d.systemVariables));
  VarList->clear();
  VarList->addItems(Rows(d.variables));
  if (d.listingRow >= 0 && d.listingRow < listing_->rowCount()) {
    QModelIndex index = listing_->index(d.listingRow);
    Output->setCurrentIndex(index);
    Output->scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
  RefreshTemplate();
  RefreshPageTexts();
  int debug = Pages->indexOf(DebugPage);
  Pages->setTabVisible(debug, m.DebugVisible());
  if (m.ActivePage() == app::TWorkbench::Page::Debug && m.DebugVisible() && Pages->currentWidget() == EditorPage)
    Pages->setCurrentIndex(debug);
}

QString WorkbenchPage::WordAtCursor() const {
  QTextCursor c = ProgramSource->textCursor();
  QString line = c.block().text();
  int at = c.positionInBlock();
  auto inWord = [](QChar ch) { return ch.isLetterOrNumber() || ch == u'_' || ch == u'@'; };
  int start = at, end = at;
  while (start > 0 && inWord(line[start - 1])) --start;
  while (end < line.size() && inWord(line[end])) ++end;
  return line.mid(start, end - start);
}

void WorkbenchPage::ShowValue(int entry) {
  if (entry < 0 || entry >= VarList->count()) return;
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("TValueForm"));
  dialog.setWindowTitle(QStringLiteral("変数の値"));
  auto* text = Pane("ValueText", &dialog);
  text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text->setPlainText(Q(model_->ValueOfEntry(entry)));
  auto* close = new QPushButton(QStringLiteral("閉じる"), &dialog);
  connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  layout->addWidget(close, 0, Qt::AlignRight);
  // Over the dump area, as wide as the step list.
  dialog.resize(std::max(StepListBox->width(), 240), std::max(VarList->height(), 160));
  dialog.move(VarList->mapToGlobal(QPoint(0, 0)));
  QPalette saved = VarList->palette();
  QPalette silver = saved;
  silver.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
  VarList->setPalette(silver);
  dialog.exec();
  VarList->setPalette(saved);
}

}  // namespace bq::gui
