#pragma once
// The export dialog "エクスポート": output file with a browse button, the
// target radio group "出力対象", "出力した記事は削除する", "実行！".
#include <QDialog>

#include "app/core/dialogs/export_model.h"
#include "app/gui/dialog_pickers.h"

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

 private:
  DialogPickers& pickers_;
  QLineEdit* file_;
  QRadioButton* targets_[app::kExportTargets];
  QCheckBox* delete_;
  QPushButton* run_;
};

}  // namespace bq::gui
