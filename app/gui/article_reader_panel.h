#pragma once
// The reader under the article list: subject, person, date, the home-page
// and link buttons, and the body with its quoted blocks coloured and its
// addresses clickable. It shows a core ReaderView; opening an address goes
// through the application's user interface.
#include <QColor>
#include <QWidget>

#include "app/core/list/article_reader.h"
#include "platform/ui.h"

class QLabel;
class QTextBrowser;
class QToolButton;

namespace bq::gui {

class ArticleReaderPanel : public QWidget {
  Q_OBJECT
 public:
  ArticleReaderPanel(UserInterface& ui, QWidget* parent = nullptr);

  void Show(const app::ReaderView& view, QColor quoteColour);
  void Clear();
  // The body's context menu, built for the current selection.
  QMenu* ContextMenu(QWidget* parent);

  QLabel* Subject() const { return subject_; }
  QLabel* Person() const { return person_; }
  QLabel* Date() const { return date_; }
  QToolButton* HomePageButton() const { return homePage_; }
  QToolButton* LinkButton() const { return link_; }
  QTextBrowser* Body() const { return body_; }

 private:
  void Open(const QString& target);
  void FillBody(const app::ReaderView& view, QColor quoteColour);

  UserInterface& ui_;
  QLabel* subject_;
  QLabel* person_;
  QLabel* date_;
  QToolButton* homePage_;
  QToolButton* link_;
  QTextBrowser* body_;
  QString homeTarget_, linkTarget_;
};

}  // namespace bq::gui
