#pragma once
// The Qt face of the article list: a table model that relays every text,
// font and alignment from the core's TArticleList, and a delegate that
// places the texts 4 pixels in from the column's left edge (numbers right-
// aligned one blank from the right edge).
#include <QAbstractTableModel>
#include <QFont>
#include <QStyledItemDelegate>

#include "app/core/list/article_list.h"

namespace bq::gui {

// Where a cell's text starts, right of its column's left edge.
inline constexpr int kCellTextInset = 4;

class ArticleTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  ArticleTableModel(app::TArticleList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The log changed as a whole (opened, sorted, deleted from).
  void Reload();
  // The same rows in a new order (a sort): the view keeps its column widths.
  void Relayout();
  // Rows were appended to the log; the view keeps its place and selection.
  void RowsAppended(int rows);
  // Marks or texts of the rows changed; the count did not.
  void Repaint();
  void SetListFont(const QFont& font);

 private:
  app::TArticleList& list_;
  int rows_ = 0;
  int columns_ = 0;
  QFont font_, bold_;
};

// Draws the cells; the focused row (the view's current row, while the view
// has the focus) gets one dotted frame around the whole row, not around
// its first cell.
class ArticleCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace bq::gui
