#pragma once
// The folder tree: one top node standing for the log root, below it the
// site folders on disk, each level read when its parent is expanded (a
// node with subfolders gets a placeholder child so it shows as expandable).
// Paths are the system's own (Shift_JIS, '/', trailing '/'). Which image a
// node shows (the application answers from the folder's node file), its
// caption (the name, with the unread count) and which folders exist come
// from the core's rules; this control only maps them.
#include <QIcon>
#include <QTreeWidget>
#include <array>
#include <string>
#include <vector>

#include "app/core/application.h"

namespace bq::gui {

class FolderTree : public QTreeWidget {
  Q_OBJECT
 public:
  // images: the nine node images, indexed as the folder image rule gives them.
  FolderTree(app::TApplication& app, std::array<QIcon, 9> images, QWidget* parent = nullptr);

  // Rebuilds the tree over root.
  void SetRoot(const std::string& root);
  const std::string& Root() const { return root_; }
  QTreeWidgetItem* TopItem() const { return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr; }
  std::string PathOf(const QTreeWidgetItem* item) const;
  std::string SelectedPath() const;
  // The folder name of a node as on disk (Shift_JIS); empty for the top.
  static std::string NameOf(const QTreeWidgetItem* item);
  // Walks down from the top by name (ignoring case), expanding as it goes;
  // the deepest node reached when a name is missing.
  QTreeWidgetItem* FindPath(const std::string& path);
  // The node of a folder among those read so far (nothing is read or
  // expanded); nullptr when there is none.
  QTreeWidgetItem* ItemOf(const std::string& path) const;
  // The folders of every node read so far, the top one first.
  std::vector<std::string> FolderPaths() const;
  // Reads the node's children from disk again.
  void Reload(QTreeWidgetItem* item);
  // A node's image and caption as the application answers them now.
  void RefreshNode(QTreeWidgetItem* item);
  void RefreshAllNodes();
  // Whether subfolder captions may be edited in place.
  void SetCaptionEditing(bool allowed);
  void RevertCaption(QTreeWidgetItem* item);
  bool Editing() const { return state() == QAbstractItemView::EditingState; }

 signals:
  void folderSelected(const QByteArray& path);  // the system path (Shift_JIS)
  void renameRequested(QTreeWidgetItem* item, const QString& newCaption);
  void deleteRequested();
  // A caption's editor opened or closed.
  void editingChanged();
  // Nodes were read from disk (FolderPaths changed).
  void foldersListed();

 protected:
  using QTreeWidget::edit;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* parent, const std::string& name);
  void Populate(QTreeWidgetItem* item);
  // Every node read so far, the top one first.
  std::vector<QTreeWidgetItem*> Nodes() const;
  void OnItemChanged(QTreeWidgetItem* item, int column);

  app::TApplication& app_;
  std::array<QIcon, 9> images_;
  std::string root_;
  bool editable_ = false;
  int quiet_ = 0;  // >0 while the tree itself changes items
};

}  // namespace bq::gui
