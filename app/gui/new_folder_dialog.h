#pragma once
// The new-folder dialog "新規フォルダ": a plain folder (the default, so
// Enter makes one as before) or "フィード (RSS/Atom)" with the feed's or
// its page's address. It shows app::NewFolderChoice and collects it; OK
// follows app::CanCreateFolder.
#include <QDialog>

#include "app/core/dialogs/new_folder_model.h"

class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace bq::gui {

class NewFolderDialog : public QDialog {
  Q_OBJECT
 public:
  explicit NewFolderDialog(QWidget* parent = nullptr);
  app::NewFolderChoice Choice() const;

  QRadioButton* FolderButton() const { return folder_; }
  QRadioButton* FeedButton() const { return feed_; }
  QLineEdit* AddressEdit() const { return address_; }
  QPushButton* OkButton() const;

 private:
  void Follow();

  QRadioButton* folder_;
  QRadioButton* feed_;
  QLineEdit* address_;
  QDialogButtonBox* buttons_;
};

}  // namespace bq::gui
