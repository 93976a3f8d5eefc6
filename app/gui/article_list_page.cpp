#include "app/gui/article_list_page.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/controls/qt_text.h"
#include "app/core/list/article_reader.h"
#include "app/core/list/column_layout.h"
#include "app/gui/article_reader_panel.h"
#include "app/gui/article_table_model.h"
#include "app/gui/command_actions.h"

namespace bq::gui {
namespace {

using app::Command;

// Two small arrow buttons on top of each other, as the operation bar's
// spin buttons: up runs one command, down the other.
QWidget* SpinButtons(QWidget* parent, QAction* up, QAction* down) {
  auto* box = new QWidget(parent);
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  for (auto [action, arrow] : {std::pair{up, Qt::UpArrow}, std::pair{down, Qt::DownArrow}}) {
    auto* b = new QToolButton(box);
    b->setArrowType(arrow);
    b->setFixedSize(22, 12);
    b->setToolTip(action->text());
    b->setAutoRaise(true);
    QObject::connect(b, &QToolButton::clicked, action, &QAction::trigger);
    v->addWidget(b);
  }
  return box;
}

}  // namespace

ArticleListPage::ArticleListPage(app::TApplication& app, CommandActions& commands, QWidget* parent)
    : QWidget(parent), app_(app), commands_(commands), list_(app) {
  setObjectName(QStringLiteral("DataLogPage"));
  model_ = std::make_unique<ArticleTableModel>(list_);
  // The arrows act in the list and in the reader; the other article keys
  // in the whole window (see KeyScope).
  commands_.AddScopedTo(this, app::KeyScope::DataLogPage);
  commands_.AddScopedTo(this, app::KeyScope::Articles);
  ConnectCommands();

  table_ = new QTableView(this);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setShowGrid(false);
  table_->setWordWrap(false);
  table_->setTabKeyNavigation(false);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->horizontalHeader()->setStretchLastSection(false);
  table_->setItemDelegate(new ArticleCellDelegate(table_));
  hint_ = new QLabel(table_->viewport());
  hint_->setObjectName(QStringLiteral("EmptyListHint"));
  hint_->setWordWrap(true);
  hint_->setAlignment(Qt::AlignCenter);
  hint_->setMargin(16);
  (new QVBoxLayout(table_->viewport()))->addWidget(hint_);
  // A selection in a list without the focus shows the button face.
  QPalette pal = table_->palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Button));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Text));
  table_->setPalette(pal);
  table_->setModel(model_.get());
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  // The columns share the list's width again whenever it changes.
  table_->viewport()->installEventFilter(this);

  reader_ = new ArticleReaderPanel(app_.Ui, this);
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("ListSplitter"));
  splitter_->addWidget(table_);
  splitter_->addWidget(reader_);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({app_.Settings.splitList > 0 ? app_.Settings.splitList : 206, 300});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(MakeOperationBar());
  layout->addWidget(splitter_, 1);

  connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { HeaderClicked(c); });
  connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int c, int, int size) {
    if (!syncing_) list_.SetWidth(c, size);
  });
  QItemSelectionModel* sel = table_->selectionModel();
  connect(sel, &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection& on, const QItemSelection& off) {
    if (syncing_) return;
    for (const QItemSelectionRange& r : off) list_.SetSelected(r.top(), r.bottom(), false);
    for (const QItemSelectionRange& r : on) list_.SetSelected(r.top(), r.bottom(), true);
    OnSelectionChanged();
  });
  connect(sel, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    table_->viewport()->update();  // the focus frame spans the row
    if (syncing_) return;
    list_.SetFocused(current.row());
    OnSelectionChanged();
  });
  connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    commands_.Place(&menu, app::Place::ListMenu);
    menu.exec(table_->viewport()->mapToGlobal(at));
  });
  list_.OnRowsAdded = [this](int rows) {
    model_->RowsAppended(rows);
    RefreshState();
  };
  ApplySettings();
  RefreshState();
}

ArticleListPage::~ArticleListPage() {
  list_.OnRowsAdded = nullptr;
  table_->setModel(nullptr);
}

QWidget* ArticleListPage::MakeOperationBar() {
  auto* bar = new QWidget(this);
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(4, 2, 4, 2);
  h->setSpacing(6);
  h->addWidget(SpinButtons(bar, commands_.Get(Command::PrevAction), commands_.Get(Command::NextAction)));
  h->addWidget(SpinButtons(bar, commands_.Get(Command::AboveAction), commands_.Get(Command::BelowAction)));
  itemLabel_ = new QLabel(bar);
  selectionLabel_ = new QLabel(bar);
  h->addWidget(itemLabel_);
  h->addStretch(1);
  h->addWidget(selectionLabel_);
  return bar;
}

void ArticleListPage::ConnectCommands() {
  auto on = [this](Command c, auto slot) { connect(commands_.Get(c), &QAction::triggered, this, slot); };
  on(Command::NextAction, [this] { StepUnread(true); });
  on(Command::PrevAction, [this] { StepUnread(false); });
  on(Command::BelowAction, [this] { SelectRow(list_.RowBelow()); });
  on(Command::AboveAction, [this] { SelectRow(list_.RowAbove()); });
  on(Command::FindAction, [this] { Find(Command::FindAction); });
  on(Command::FindNextAction, [this] { Find(Command::FindNextAction); });
  on(Command::FindPrevAction, [this] { Find(Command::FindPrevAction); });
  on(Command::DupAction, [this] {
    list_.SelectDuplicates();
    SyncSelectionFromModel();
  });
  on(Command::ReadAction, [this] { MarkSelected(false); });
  on(Command::UnreadAction, [this] { MarkSelected(true); });
  on(Command::DeleteAction, [this] { DeleteSelected(); });
  on(Command::SelectAllAction, [this] { table_->selectAll(); });
  on(Command::BrowseAction, [this] { list_.Browse(); });
}

void ArticleListPage::ApplySettings() {
  const TInitParam& s = app_.Settings;
  const QFont listFont = ToQFont(s.listFont);
  table_->setFont(listFont);
  table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont).height() + 4);
  model_->SetListFont(listFont);
  reader_->Body()->setFont(ToQFont(s.memoFont));
  QFont title = ToQFont(s.titleFont);
  title.setBold(true);
  reader_->Subject()->setFont(title);
  model_->Repaint();
  ApplyColumnWidths();  // the fitted widths follow the font
  if (shownRow_ >= 0) ShowCurrent();
}

// The widths the folder keeps, fitted to what each column needs and to the
// room there is (see LayOutColumns); only the user's own drags are kept.
void ArticleListPage::ApplyColumnWidths() {
  syncing_ = true;
  QHeaderView* header = table_->horizontalHeader();
  QFont bold = table_->font();
  bold.setBold(true);  // unread rows are bold
  const QFontMetrics metrics(bold);
  const int margins = 2 * kCellTextInset + metrics.horizontalAdvance(QLatin1Char(' '));
  const app::ColumnWidths& widths = list_.Widths();
  std::vector<app::ColumnSpace> spaces;
  for (int c = 0; c < model_->columnCount(); ++c) {
    const int caption = header->sectionSizeHint(c);
    const int content = metrics.horizontalAdvance(FromSjis(app::UsualCellText(c))) + margins;
    spaces.push_back({widths[static_cast<std::size_t>(c)], std::max(caption, content), caption});
  }
  const std::vector<int> shown = app::LayOutColumns(spaces, table_->viewport()->width());
  for (int c = 0; c < static_cast<int>(shown.size()); ++c) header->resizeSection(c, shown[static_cast<std::size_t>(c)]);
  syncing_ = false;
}

bool ArticleListPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_->viewport() && event->type() == QEvent::Resize) ApplyColumnWidths();
  return QWidget::eventFilter(watched, event);
}

void ArticleListPage::OpenFolder(const std::string& path) {
  const std::string target = path.empty() ? app_.LogRoot() : path;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool opened = list_.Open(target);
  QApplication::restoreOverrideCursor();
  if (!opened) return;
  model_->Reload();
  ApplyColumnWidths();
  shownRow_ = -1;
  reader_->Clear();
  app_.Status.SetPanel(2, std::string());
  if (model_->rowCount() > 0) table_->scrollToTop();
  RefreshState();
}

int ArticleListPage::ListHeight() const {
  const QList<int> sizes = splitter_->sizes();
  return sizes.isEmpty() ? 0 : sizes[0];
}

void ArticleListPage::LeaveFolder() {
  list_.Leave();
  app_.SaveLog();
}

// ---- selection ----

void ArticleListPage::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const QModelIndex index = model_->index(row, 0);
  table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  table_->scrollTo(index);
}

void ArticleListPage::SyncSelectionFromModel() {
  syncing_ = true;
  QItemSelection selection;
  const int last = model_->columnCount() - 1;
  for (auto [first, end] : list_.SelectedRuns()) selection.select(model_->index(first, 0), model_->index(end, last));
  QItemSelectionModel* sel = table_->selectionModel();
  sel->select(selection, QItemSelectionModel::ClearAndSelect);
  if (list_.Focused() >= 0) {
    const QModelIndex focus = model_->index(list_.Focused(), 0);
    sel->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
    table_->scrollTo(focus);
  }
  syncing_ = false;
  OnSelectionChanged();
}

void ArticleListPage::OnSelectionChanged() {
  const int current = list_.ReaderRow();
  if (current < 0) {  // no Selected flag is left set
    if (shownRow_ >= 0) {
      reader_->Clear();
      app_.Status.SetPanel(2, std::string());
    }
    shownRow_ = -1;
  } else if (current != shownRow_) {
    shownRow_ = current;
    ShowCurrent();
  }
  RefreshState();
}

void ArticleListPage::ShowCurrent() {
  const app::ReaderView view = list_.Reader(shownRow_);
  reader_->Show(view, ToQColor(app_.Settings.resColor));
  app_.Status.SetPanel(2, view.pageUrl);
  if (list_.MarkShownRead(shownRow_)) model_->Repaint();
}

void ArticleListPage::RefreshState() {
  const app::TArticleList::Summary now = list_.Summarize();
  itemLabel_->setText(FromSjis(now.itemLabel));
  selectionLabel_->setText(FromSjis(now.selectionLabel));
  selectionLabel_->setVisible(now.selectionLabelVisible);
  const std::string hint = list_.EmptyHint();
  hint_->setText(FromSjis(hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  hint_->setVisible(!hint.empty());
  commands_.SetListFacts(now.facts);
}

// ---- commands ----

void ArticleListPage::HeaderClicked(int column) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  list_.HeaderClicked(column);
  model_->Relayout();
  QApplication::restoreOverrideCursor();
  SyncSelectionFromModel();
}

void ArticleListPage::StepUnread(bool forward) {
  app::UnreadStep step = list_.NextUnread(forward);
  if (!step.folder.empty()) {
    emit folderRequested(QByteArray::fromStdString(step.folder));
    if (app_.FolderPath() != step.folder) return;
    table_->setFocus();
    step = list_.NextUnread(forward);
  }
  if (step.row < 0) return;
  SelectRow(step.row);
  table_->setFocus();
}

void ArticleListPage::DeleteSelected() {
  const std::optional<int> row = list_.AskAndDelete();
  if (!row) return;
  model_->Reload();
  ApplyColumnWidths();
  shownRow_ = -1;
  reader_->Clear();
  if (*row >= 0) {
    SelectRow(*row);
  } else {
    OnSelectionChanged();
  }
}

void ArticleListPage::Find(Command command) {
  if (command == Command::FindAction) {
    list_.AskAndFind();
  } else {
    if (list_.SearchText.empty()) return;
    list_.Find(command == Command::FindNextAction);
  }
  SyncSelectionFromModel();
  table_->setFocus();  // the article keys go on from the list
}

void ArticleListPage::MarkSelected(bool unread) {
  list_.MarkSelected(unread);
  model_->Repaint();
  RefreshState();
}

}  // namespace bq::gui
