#pragma once
// The "データログ" page: the operation bar (unread-jump and row-move spin
// buttons, the item and selection labels), the virtual article list and the
// reader below it; it handles the list's commands. Every text and rule
// comes from the core's TArticleList; this page only maps it onto widgets
// and forwards the user's actions.
#include <QWidget>
#include <memory>
#include <string>

#include "app/core/application.h"
#include "app/core/list/article_list.h"
#include "app/core/shell/commands.h"

class QLabel;
class QSplitter;
class QTableView;

namespace bq::gui {

class ArticleTableModel;
class ArticleReaderPanel;
class CommandActions;

class ArticleListPage : public QWidget {
  Q_OBJECT
 public:
  // The page handles the list's commands of `commands` (their keys act in
  // the list and the reader) and gives it the list's facts.
  ArticleListPage(app::TApplication& app, CommandActions& commands, QWidget* parent = nullptr);
  ~ArticleListPage() override;

  // Opens a folder into the list (the log root when path is empty).
  void OpenFolder(const std::string& path);
  // Leaving the folder or the program: the column widths go back into the
  // folder definition and the log is saved.
  void LeaveFolder();
  // The first row selected alone (nothing for an empty list).
  void SelectFirstRow() { SelectRow(0); }
  // Status panels 0 and 1 for the open folder.
  void RefreshStatus() { list_.RefreshStatus(); }
  // The list's column widths as the folder definition keeps them.
  std::string ColumnWidthsText() const { return app::FormatColumnWidths(list_.Widths()); }
  // The list's height above the reader (the settings' SPLIT), 0 before it is laid out.
  int ListHeight() const;

  app::TArticleList& Model() { return list_; }
  QTableView* Table() const { return table_; }
  ArticleReaderPanel* Reader() const { return reader_; }
  QLabel* ItemLabel() const { return itemLabel_; }
  QLabel* SelectionLabel() const { return selectionLabel_; }
  // Settings that change what is drawn (fonts, quote colour, reference
  // numbers, default order) were edited.
  void ApplySettings();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // Next/previous unread found another folder: the tree is to select it,
  // which opens it through OpenFolder.
  void folderRequested(const QByteArray& sjisFolder);

 private:
  QWidget* MakeOperationBar();
  void ConnectCommands();
  void ApplyColumnWidths();
  void SelectRow(int row);
  void SyncSelectionFromModel();
  void OnSelectionChanged();
  void ShowCurrent();
  void RefreshState();
  void StepUnread(bool forward);
  void HeaderClicked(int column);
  void DeleteSelected();
  void MarkSelected(bool unread);
  void Find(app::Command command);

  app::TApplication& app_;
  CommandActions& commands_;
  app::TArticleList list_;
  std::unique_ptr<ArticleTableModel> model_;
  QTableView* table_ = nullptr;
  ArticleReaderPanel* reader_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QLabel* hint_ = nullptr;  // on the empty list at the first start
  QLabel* itemLabel_ = nullptr;
  QLabel* selectionLabel_ = nullptr;
  bool syncing_ = false;
  int shownRow_ = -1;
};

}  // namespace bq::gui
