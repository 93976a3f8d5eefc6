// The lazily read tree of site folders.
#include "app/controls/folder_tree.h"

#include <QKeyEvent>
#include <algorithm>

#include "app/controls/qt_text.h"
#include "app/core/shell/shell_model.h"
#include "platform/compare.h"

namespace bq::gui {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kPlaceholderRole = Qt::UserRole + 1;

bool IsPlaceholder(const QTreeWidgetItem* item) { return item->data(0, kPlaceholderRole).toBool(); }

// Counts nested changes the tree makes itself, so itemChanged from them is
// not taken for the user's caption edit.
struct Quiet {
  explicit Quiet(int& n) : n_(n) { ++n_; }
  ~Quiet() { --n_; }
  int& n_;
};

}  // namespace

FolderTree::FolderTree(app::TApplication& app, std::array<QIcon, 9> images, QWidget* parent)
    : QTreeWidget(parent), app_(app), images_(std::move(images)) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Populate(item); });
  connect(this, &QTreeWidget::itemChanged, this, &FolderTree::OnItemChanged);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
    if (quiet_) return;
    if (before) RefreshNode(before);
    if (now) {
      RefreshNode(now);
      emit folderSelected(QByteArray::fromStdString(PathOf(now)));
    }
  });
}

void FolderTree::SetRoot(const std::string& root) {
  {
    Quiet q(quiet_);
    clear();
    root_ = root;
    if (!root_.empty() && root_.back() != '/') root_.push_back('/');
    auto* top = new QTreeWidgetItem(this);
    top->setText(0, FromSjis(app::RootCaption()));
    top->setData(0, kNameRole, QByteArray());
    top->setFlags(top->flags() & ~Qt::ItemIsEditable);
    if (app::HasSubfolders(root_)) Populate(top);
    top->setExpanded(true);
    RefreshNode(top);
  }
  emit foldersListed();
}

std::string FolderTree::NameOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kNameRole).toByteArray().toStdString() : std::string();
}

std::string FolderTree::PathOf(const QTreeWidgetItem* item) const {
  std::vector<std::string> names;
  for (const QTreeWidgetItem* i = item; i && i->parent(); i = i->parent()) names.insert(names.begin(), NameOf(i));
  return app::NodePath(root_, names);
}

std::string FolderTree::SelectedPath() const { return currentItem() ? PathOf(currentItem()) : std::string(); }

QTreeWidgetItem* FolderTree::AddFolderItem(QTreeWidgetItem* parent, const std::string& name) {
  auto* item = new QTreeWidgetItem(parent);
  item->setData(0, kNameRole, QByteArray::fromStdString(name));
  Qt::ItemFlags f = item->flags();
  item->setFlags(editable_ ? f | Qt::ItemIsEditable : f & ~Qt::ItemIsEditable);
  if (app::HasSubfolders(PathOf(item))) {
    auto* placeholder = new QTreeWidgetItem(item);
    placeholder->setData(0, kPlaceholderRole, true);
  }
  RefreshNode(item);
  return item;
}

void FolderTree::Populate(QTreeWidgetItem* item) {
  if (item->childCount() > 0 && !IsPlaceholder(item->child(0))) return;
  Quiet q(quiet_);
  qDeleteAll(item->takeChildren());
  for (const std::string& name : app::SubfolderNames(PathOf(item))) AddFolderItem(item, name);
  emit foldersListed();
}

void FolderTree::Reload(QTreeWidgetItem* item) {
  if (!item) return;
  Quiet q(quiet_);
  QTreeWidgetItem* current = currentItem();
  std::string currentPath = current ? PathOf(current) : std::string();
  bool currentInside = false;
  for (QTreeWidgetItem* i = current; i; i = i->parent())
    if (i->parent() == item) currentInside = true;
  qDeleteAll(item->takeChildren());
  for (const std::string& name : app::SubfolderNames(PathOf(item))) AddFolderItem(item, name);
  if (currentInside) {
    QTreeWidgetItem* again = FindPath(currentPath);
    setCurrentItem(again ? again : item);
  }
  emit foldersListed();
}

QTreeWidgetItem* FolderTree::ItemOf(const std::string& path) const {
  QTreeWidgetItem* item = TopItem();
  if (!item) return nullptr;
  for (const std::string& name : app::NodeCaptions(root_, path)) {
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < item->childCount() && !next; ++i)
      if (!IsPlaceholder(item->child(i)) && CompareTextIgnoreCase(NameOf(item->child(i)), name) == 0)
        next = item->child(i);
    if (!next) return nullptr;
    item = next;
  }
  return item;
}

std::vector<QTreeWidgetItem*> FolderTree::Nodes() const {
  std::vector<QTreeWidgetItem*> nodes, stack;
  if (TopItem()) stack.push_back(TopItem());
  while (!stack.empty()) {
    QTreeWidgetItem* item = stack.back();
    stack.pop_back();
    if (IsPlaceholder(item)) continue;
    nodes.push_back(item);
    for (int i = item->childCount() - 1; i >= 0; --i) stack.push_back(item->child(i));
  }
  return nodes;
}

std::vector<std::string> FolderTree::FolderPaths() const {
  std::vector<std::string> paths;
  for (const QTreeWidgetItem* item : Nodes()) paths.push_back(PathOf(item));
  return paths;
}

QTreeWidgetItem* FolderTree::FindPath(const std::string& path) {
  QTreeWidgetItem* item = TopItem();
  if (!item) return nullptr;
  for (const std::string& name : app::NodeCaptions(root_, path)) {
    Populate(item);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < item->childCount() && !next; ++i)
      if (CompareTextIgnoreCase(NameOf(item->child(i)), name) == 0) next = item->child(i);
    if (!next) break;
    item->setExpanded(true);
    item = next;
  }
  return item;
}

void FolderTree::RefreshNode(QTreeWidgetItem* item) {
  if (!item || IsPlaceholder(item)) return;
  Quiet q(quiet_);
  const std::string path = PathOf(item);
  const bool top = item->parent() == nullptr;
  const int index = app_.FolderImage(path, top, item == currentItem());
  item->setIcon(0, images_[static_cast<std::size_t>(std::clamp(index, 0, 8))]);
  // A caption being edited shows the bare name.
  if (!top && !(Editing() && item == currentItem())) item->setText(0, FromSjis(app_.FolderCaption(path, NameOf(item))));
}

void FolderTree::RefreshAllNodes() {
  for (QTreeWidgetItem* item : Nodes()) RefreshNode(item);
}

void FolderTree::SetCaptionEditing(bool allowed) {
  if (allowed == editable_) return;
  editable_ = allowed;
  Quiet q(quiet_);
  std::vector<QTreeWidgetItem*> stack;
  if (TopItem())
    for (int i = 0; i < TopItem()->childCount(); ++i) stack.push_back(TopItem()->child(i));
  while (!stack.empty()) {
    QTreeWidgetItem* item = stack.back();
    stack.pop_back();
    Qt::ItemFlags f = item->flags();
    item->setFlags(allowed ? f | Qt::ItemIsEditable : f & ~Qt::ItemIsEditable);
    for (int i = 0; i < item->childCount(); ++i) stack.push_back(item->child(i));
  }
}

void FolderTree::RevertCaption(QTreeWidgetItem* item) { RefreshNode(item); }

void FolderTree::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (quiet_ || column != 0 || !item->parent() || IsPlaceholder(item)) return;
  if (item->text(0) == FromSjis(NameOf(item))) return;
  emit renameRequested(item, item->text(0));
}

bool FolderTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // The editor gets the folder's name, without its unread count.
  QTreeWidgetItem* item = itemFromIndex(index);
  const bool named = trigger != NoEditTriggers && item && item->parent() && !IsPlaceholder(item) &&
                     (item->flags() & Qt::ItemIsEditable);
  if (named) {
    Quiet q(quiet_);
    item->setText(0, FromSjis(NameOf(item)));
  }
  const bool started = QTreeWidget::edit(index, trigger, event);
  if (named && !started) RefreshNode(item);
  if (started) emit editingChanged();
  return started;
}

void FolderTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTreeWidget::closeEditor(editor, hint);
  // A caption left as it was (or refused) shows its count again.
  if (QTreeWidgetItem* item = currentItem()) RefreshNode(item);
  emit editingChanged();
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && !Editing()) {
    emit deleteRequested();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace bq::gui
