#pragma once
// The program's own viewer window, for when no browser or default program
// opens a page: the help page, the script reference and the round log.
// Links inside the help move within the viewer; an outside link is shown
// in the bar below with its address, ready to copy.
#include <QWidget>

#include "app/core/shell/viewer_page.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace bq::gui {

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QWidget* parent = nullptr);
  // Shows the file at an OS path (at an anchor, for a page); false when it
  // cannot be read.
  bool ShowFile(const QString& file, const QString& anchor = QString());

  QTextBrowser* Browser() const { return browser_; }
  // The outside link's bar: hidden until such a link is clicked.
  QWidget* LinkBar() const { return linkBar_; }
  QLineEdit* LinkEdit() const { return linkEdit_; }
  QPushButton* CopyButton() const { return copy_; }
  // A link of the shown page, as a click on it.
  void FollowLink(const QUrl& url);

 private:
  QTextBrowser* browser_;
  QWidget* linkBar_;
  QLineEdit* linkEdit_;
  QPushButton* copy_;
};

}  // namespace bq::gui
