// The workbench page's widgets, wired to the workbench model.
#include "app/gui/workbench_page.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QStringListModel>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/workbench/reference.h"
#include "app/gui/code_editor.h"
#include "app/gui/command_actions.h"
#include "app/gui/script_highlighter.h"

namespace bq::gui {

namespace {

// A dump's lines (CR LF separated) as list rows.
QStringList Rows(const std::string& sjis) {
  QStringList rows = FromSjis(sjis).split(QStringLiteral("\r\n"));
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

}  // namespace

WorkbenchPage::WorkbenchPage(app::TApplication& app, CommandActions& commands, QWidget* parent)
    : QWidget(parent), app_(app), commands_(commands), model_(std::make_unique<app::TWorkbench>(app)) {
  setObjectName(QStringLiteral("ScriptPage"));
  steps_ = new QStringListModel(this);
  listing_ = new QStringListModel(this);
  Pages = new QTabWidget(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Pages);
  commands_.AddScopedTo(this, app::KeyScope::ScriptPage);
  BuildEditorPage();
  BuildDebugPage();
  BuildTextPages();
  ConnectCommands();
  model_->SetView(this);
  Pages->setTabVisible(Pages->indexOf(DebugPage), false);
  // While a script runs nothing may compile, reset or re-enter the machine;
  // the panes wait too, so no modal dialog opens inside a run.
  connect(&commands_, &CommandActions::applied, this, [this](const app::CommandStates& states) {
    CacheCheck->setEnabled(states.panelsEnabled);
    VarList->setEnabled(states.panelsEnabled);
    StepListBox->setEnabled(states.panelsEnabled);
  });
}

WorkbenchPage::~WorkbenchPage() { model_->SetView(nullptr); }

void WorkbenchPage::ConnectCommands() {
  using app::Command;
  auto step = [this](Command c, void (app::TWorkbench::*flow)()) {
    connect(commands_.Get(c), &QAction::triggered, this, [this, flow] { Guarded(flow); });
  };
  step(Command::LoadBtn, &app::TWorkbench::ReloadAndCompile);
  step(Command::CompileBtn, &app::TWorkbench::Compile);
  step(Command::GoAction, &app::TWorkbench::Run);
  step(Command::StepAction, &app::TWorkbench::Step);
  step(Command::TraceAction, &app::TWorkbench::Trace);
  step(Command::ExecInit, &app::TWorkbench::Reset);
  connect(commands_.Get(Command::SaveBtn), &QAction::triggered, this, [this] {
    try {
      model_->Save();
    } catch (const std::exception& e) {
      app_.Ui.MessageBox(e.what(), app_.Caption, kMbOk);
    }
  });
  connect(commands_.Get(Command::RunFromCache), &QAction::toggled, this, [this](bool on) {
    model_->RunFromCache = on;
    CacheCheck->setChecked(on);
  });
  connect(commands_.Get(Command::ReferenceAction), &QAction::triggered, this, [this] {
    emit referenceRequested(QString::fromStdString(app::ReferenceAnchor(WordAtCursor().toStdString())));
  });
}

void WorkbenchPage::BuildEditorPage() {
  EditorPage = new QWidget(Pages);
  auto* bar = new QToolBar(EditorPage);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  commands_.Place(bar, app::Place::EditorBar);
  ProgramSource = new CodeEditor(EditorPage);
  Highlighter = new ScriptHighlighter(ProgramSource->document());
  WarningList = new QListWidget(EditorPage);
  WarningList->setObjectName(QStringLiteral("WarningList"));
  WarningList->setAccessibleName(QStringLiteral("警告"));
  WarningList->setUniformItemSizes(true);
  WarningList->setVisible(false);
  auto* split = new QSplitter(Qt::Vertical, EditorPage);
  split->addWidget(ProgramSource);
  split->addWidget(WarningList);
  split->setStretchFactor(0, 4);
  split->setStretchFactor(1, 1);
  split->setChildrenCollapsible(false);
  auto* layout = new QVBoxLayout(EditorPage);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(bar);
  layout->addWidget(split);
  connect(WarningList, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { GoToWarning(WarningList->row(item)); });
  commands_.AddScopedTo(ProgramSource, app::KeyScope::Editor);
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
  // The debug bar's commands, the cache switch shown as a check box.
  QAction* fromCache = commands_.Get(app::Command::RunFromCache);
  for (const app::PlacedItem& item : app::ItemsAt(app::Place::DebugBar)) {
    if (item.kind == app::PlacedItem::Separator) {
      bar->addSeparator();
    } else if (item.command == app::Command::RunFromCache) {
      CacheCheck = new QCheckBox(fromCache->text(), bar);
      CacheCheck->setObjectName(QStringLiteral("CacheCheck"));
      CacheCheck->setToolTip(fromCache->toolTip());
      bar->addWidget(CacheCheck);
      connect(CacheCheck, &QCheckBox::toggled, fromCache, &QAction::setChecked);
    } else {
      bar->addAction(commands_.Get(item.command));
    }
  }

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
    steps_->setData(steps_->index(index.row()), FromSjis(model_->Steps().Entries()[static_cast<std::size_t>(index.row())]));
  });
  connect(VarList, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ShowValue(VarList->row(item)); });
  connect(SysVarToggle, &QPushButton::clicked, this, [this] {
    model_->SystemVariablesShown = !model_->SystemVariablesShown;
    SysVarList->setVisible(model_->SystemVariablesShown);
    SysVarToggle->setText(FromSjis(model_->SystemVariablesToggleCaption()));
  });
  SysVarToggle->setText(FromSjis(model_->SystemVariablesToggleCaption()));
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
    if (Pages->widget(index) == HTMLRawText) HTMLRawText->setPlainText(FromSjis(model_->ExtractedText()));
  });
}

// Errors of compile and run are shown in a message box (a compile error
// has selected its span in the editor first).
void WorkbenchPage::Guarded(void (app::TWorkbench::*step)()) {
  try {
    ((*model_).*step)();
  } catch (const std::exception& e) {
    commands_.Refresh();
    app_.Ui.MessageBox(e.what(), app_.Caption, kMbOk);
    return;
  }
  // A compile decides whether the script exports.
  commands_.Refresh();
}

std::optional<std::string> WorkbenchPage::EditedText() {
  if (!editorDirty_) return std::nullopt;
  editorDirty_ = false;
  return ProgramSource->toPlainText().toStdString();
}

void WorkbenchPage::SourceReplaced() {
  loading_ = true;
  ProgramSource->setPlainText(QString::fromStdString(app::SjisToEditor(model_->Source())));
  loading_ = false;
  editorDirty_ = false;
  ProgramSource->document()->setModified(false);
}

void WorkbenchPage::Saved() { ProgramSource->document()->setModified(false); }

void WorkbenchPage::CompileFailed() {
  Pages->setTabVisible(Pages->indexOf(DebugPage), false);
  Pages->setCurrentWidget(EditorPage);
  app::EditorSpan span = model_->ErrorSpan();
  ProgramSource->SelectSpan(static_cast<int>(span.start), static_cast<int>(span.length));
  ProgramSource->setFocus();
}

void WorkbenchPage::RefreshStepList(bool whole) {
  const auto& entries = model_->Steps().Entries();
  if (whole || steps_->rowCount() != static_cast<int>(entries.size())) {
    QStringList rows;
    rows.reserve(static_cast<int>(entries.size()));
    for (const auto& e : entries) rows << FromSjis(e);
    steps_->setStringList(rows);
  } else {
    for (int row : {markedRow_, model_->CodePosition()})
      if (row >= 0 && row < steps_->rowCount())
        steps_->setData(steps_->index(row), FromSjis(entries[static_cast<std::size_t>(row)]));
  }
  markedRow_ = model_->CodePosition();
  if (markedRow_ >= 0) {
    QModelIndex index = steps_->index(markedRow_);
    StepListBox->setCurrentIndex(index);
    StepListBox->scrollTo(index);
  }
}

void WorkbenchPage::RefreshTemplate() {
  VarLabel->setText(model_->TemplateCount() > 0 ? FromSjis(model_->TemplateName()) : QStringLiteral("(テンプレートなし)"));
  ListBox1->setPlainText(FromSjis(model_->TemplateDump()));
}

void WorkbenchPage::RefreshPageTexts() {
  const auto& d = model_->Dumps();
  HTMLText->setPlainText(FromSjis(d.page));
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
  if (Pages->currentWidget() == HTMLRawText) HTMLRawText->setPlainText(FromSjis(model_->ExtractedText()));
}

void WorkbenchPage::Refresh() {
  const app::TWorkbench& m = *model_;
  bool fresh = listing_->rowCount() == 0 || m.Steps().CodePosition() < 0;
  if (fresh) listing_->setStringList(Rows(m.Listing()));
  RefreshStepList(fresh);
  const auto& d = m.Dumps();
  RegList->setPlainText(FromSjis(d.registers));
  StackList->setPlainText(FromSjis(d.stack));
  SysVarList->setPlainText(FromSjis(d.systemVariables));
  VarList->clear();
  VarList->addItems(Rows(d.variables));
  if (d.listingRow >= 0 && d.listingRow < listing_->rowCount()) {
    QModelIndex index = listing_->index(d.listingRow);
    Output->setCurrentIndex(index);
    Output->scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
  RefreshTemplate();
  RefreshPageTexts();
  RefreshWarnings();
  int debug = Pages->indexOf(DebugPage);
  Pages->setTabVisible(debug, m.DebugVisible());
  if (m.ActivePage() == app::TWorkbench::Page::Debug && m.DebugVisible() && Pages->currentWidget() == EditorPage)
    Pages->setCurrentIndex(debug);
}

// The list follows the last compile; the editor's tab counts the warnings,
// so they are seen while the debug page is in front.
void WorkbenchPage::RefreshWarnings() {
  const std::vector<app::WarningRow>& rows = model_->Warnings();
  QStringList texts;
  for (const app::WarningRow& r : rows) texts << FromSjis(r.text);
  if (texts == shownWarnings_) return;
  shownWarnings_ = texts;
  WarningList->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    auto* item = new QListWidgetItem(icon, texts[static_cast<int>(i)], WarningList);
    // The line and its marker, one above the other in a fixed-pitch font.
    item->setToolTip(QStringLiteral("<pre>%1\n%2</pre>")
                         .arg(FromSjis(rows[i].sourceLine).toHtmlEscaped(), FromSjis(rows[i].marker).toHtmlEscaped()));
  }
  WarningList->setVisible(!rows.empty());
  const int editor = Pages->indexOf(EditorPage);
  Pages->setTabText(editor, rows.empty() ? QStringLiteral("エディタ")
                                         : QStringLiteral("エディタ (警告 %1)").arg(static_cast<int>(rows.size())));
}

void WorkbenchPage::GoToWarning(int row) {
  const std::vector<app::WarningRow>& rows = model_->Warnings();
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return;
  const app::EditorSpan span = rows[static_cast<std::size_t>(row)].span;
  Pages->setCurrentWidget(EditorPage);
  ProgramSource->SelectSpan(static_cast<int>(span.start), static_cast<int>(span.length));
  ProgramSource->setFocus();
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
  text->setPlainText(FromSjis(model_->ValueOfEntry(entry)));
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
