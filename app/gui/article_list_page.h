#pragma once
// The "データログ" page: the operation bar (unread-jump and row-move spin
// buttons, the item and selection labels), the virtual article list and the
// reader below it, and the list's commands as QActions a main window puts
// into its menus. Every text and rule comes from the core's TArticleList;
// this page only maps it onto widgets and forwards the user's actions.
#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/core/application.h"
#include "app/core/list/article_list.h"

class QAction;
class QLabel;
class QSplitter;
class QTableView;

namespace bq::gui {

class ArticleTableModel;
class ArticleReaderPanel;

class ArticleListPage : public QWidget {
  Q_OBJECT
 public:
  struct Hooks {
    // Next/previous unread found another folder: select it in the folder
    // tree, which opens it through OpenFolder. Without a hook the page
    // opens it itself.
    std::function<void(const std::string& folder)> selectFolder;
    // A folder was opened (the shell reloads and compiles its script).
    std::function<void(const std::string& folder)> folderOpened;
  };

  explicit ArticleListPage(app::TApplication& app, Hooks hooks = {}, QWidget* parent = nullptr);
  ~ArticleListPage() override;

  // Opens a folder into the list (the log root when path is empty).
  void OpenFolder(const std::string& path);
  // Leaving the folder or the program: the column widths go back into the
  // folder definition and the log is saved.
  void LeaveFolder();

  // The list's commands, in the order of the core's table.
  QList<QAction*> Actions() const;
  QAction* Action(app::ListAction id) const { return actions_[static_cast<std::size_t>(id)]; }
  void Run(app::ListAction id);

  app::TArticleList& Model() { return list_; }
  QTableView* Table() const { return table_; }
  ArticleReaderPanel* Reader() const { return reader_; }
  QLabel* ItemLabel() const { return itemLabel_; }
  QLabel* SelectionLabel() const { return selectionLabel_; }
  // Settings that change what is drawn (fonts, quote colour, reference
  // numbers, default order) were edited.
  void ApplySettings();

 signals:
  // The item or selection label, or the enabled commands, changed.
  void StateChanged();

 private:
  QWidget* MakeOperationBar();
  void MakeActions();
  void ApplyColumnWidths();
  void SelectRow(int row);
  void SyncSelectionFromModel();
  void OnSelectionChanged();
  void ShowCurrent();
  void RefreshState();
  void StepUnread(bool forward);
  void HeaderClicked(int column);
  void DeleteSelected();

  app::TApplication& app_;
  Hooks hooks_;
  app::TArticleList list_;
  std::unique_ptr<ArticleTableModel> model_;
  QTableView* table_ = nullptr;
  ArticleReaderPanel* reader_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QLabel* itemLabel_ = nullptr;
  QLabel* selectionLabel_ = nullptr;
  std::array<QAction*, app::kListActionCount> actions_{};
  bool syncing_ = false;
  int shownRow_ = -1;
};

}  // namespace bq::gui
