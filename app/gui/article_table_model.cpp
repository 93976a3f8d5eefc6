#include "app/gui/article_table_model.h"

#include <QFontMetrics>
#include <QAbstractItemView>
#include <QPainter>

#include "app/controls/qt_text.h"

namespace bq::gui {
namespace {

// The part of the row's focus frame that lies in this cell: its top and
// bottom always, its left side in the first column, its right side in the
// last.
void DrawRowFocus(QPainter* painter, const QRect& cell, bool first, bool last, const QColor& color) {
  painter->save();
  QPen pen(color, 1, Qt::DotLine);
  painter->setPen(pen);
  const QRect& r = cell;  // right() and bottom() are its last pixels
  painter->drawLine(r.topLeft(), r.topRight());
  painter->drawLine(r.bottomLeft(), r.bottomRight());
  if (first) painter->drawLine(r.topLeft(), r.bottomLeft());
  if (last) painter->drawLine(r.topRight(), r.bottomRight());
  painter->restore();
}

}  // namespace

ArticleTableModel::ArticleTableModel(app::TArticleList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(list.RowCount()), columns_(list.ColumnCount()) {
  SetListFont(QFont());
}

void ArticleTableModel::SetListFont(const QFont& font) {
  font_ = font;
  bold_ = font;
  bold_.setBold(true);
}

int ArticleTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ArticleTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ArticleTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole: return FromSjis(list_.Cell(index.row(), index.column()));
    case Qt::FontRole: return list_.IsBold(index.row(), index.column()) ? bold_ : font_;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter |
                                 (list_.IsRightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
    default: return {};
  }
}

QVariant ArticleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return FromSjis(list_.Caption(section));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignLeft);
  return {};
}

void ArticleTableModel::Reload() {
  beginResetModel();
  rows_ = list_.RowCount();
  columns_ = list_.ColumnCount();
  endResetModel();
}

void ArticleTableModel::Relayout() {
  emit layoutAboutToBeChanged();
  emit layoutChanged();
  emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void ArticleTableModel::RowsAppended(int rows) {
  if (rows <= rows_) return;
  beginInsertRows(QModelIndex(), rows_, rows - 1);
  rows_ = rows;
  endInsertRows();
}

void ArticleTableModel::Repaint() {
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void ArticleCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  // The row's background spans the whole cell; the text sits inside it. The
  // style's own focus frame would mark the current cell alone.
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : nullptr;
  const QString text = opt.text;
  opt.text.clear();
  opt.state &= ~QStyle::State_HasFocus;
  if (style) style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  QRect r = opt.rect.adjusted(kCellTextInset, 0, 0, 0);
  if (opt.displayAlignment & Qt::AlignRight) r.setRight(r.right() - QFontMetrics(opt.font).horizontalAdvance(' '));
  painter->save();
  painter->setFont(opt.font);
  const bool selected = opt.state & QStyle::State_Selected;
  const QPalette::ColorGroup group = opt.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
  painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  const QString shown = QFontMetrics(opt.font).elidedText(text, Qt::ElideRight, r.width());
  painter->drawText(r, static_cast<int>(opt.displayAlignment), shown);
  painter->restore();
  const auto* view = qobject_cast<const QAbstractItemView*>(widget);
  if (view && view->hasFocus() && view->currentIndex().row() == index.row()) {
    const int columns = index.model()->columnCount();
    DrawRowFocus(painter, opt.rect, index.column() == 0, index.column() == columns - 1,
                 opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  }
}

}  // namespace bq::gui
