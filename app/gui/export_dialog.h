#pragma once
// The export dialog, titled as its menu item "ログ出力": output file with a
// browse button, the target radio group "出力対象", the output encoding,
// "出力した記事は削除する", "実行！". An empty file name is refused with
// the reason shown in the dialog.
#include <QDialog>

#include "app/core/dialogs/export_model.h"
#include "app/gui/dialog_pickers.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QCheckBox;
class QPushButton;

namespace bq::gui {

class ExportDialog : public QDialog {
  Q_OBJECT

 public:
  ExportDialog(const app::ExportChoice& initial, DialogPickers& pickers = DialogPickers::Standard(),
               QWidget* parent = nullptr);
  app::ExportChoice Choice() const;

  QLineEdit* FileEdit() const { return file_; }
  QRadioButton* TargetButton(int index) const { return targets_[index]; }
  QCheckBox* DeleteCheck() const { return delete_; }
  QPushButton* RunButton() const { return run_; }
  QComboBox* EncodingBox() const { return encoding_; }
  // Why "実行！" was refused (hidden while nothing is wrong).
  QLabel* ErrorLabel() const { return error_; }
  void accept() override;

 private:
  DialogPickers& pickers_;
  QLineEdit* file_;
  QRadioButton* targets_[app::kExportTargets];
  QCheckBox* delete_;
  QPushButton* run_;
  QComboBox* encoding_;
  QLabel* error_;
};

}  // namespace bq::gui
