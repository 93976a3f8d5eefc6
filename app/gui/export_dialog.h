#pragma once
// The export dialog "エクスポート": output file with a browse button, the
// target radio group "出力対象", "出力した記事は削除する", "実行！".
#include <QDialog>
#include <functional>

#include "app/core/dialogs/export_model.h"

class QLineEdit;
class QRadioButton;
class QCheckBox;
class QPushButton;

namespace bq::gui {

class ExportDialog : public QDialog {
  Q_OBJECT

 public:
  ExportDialog(const app::ExportChoice& initial, QWidget* parent = nullptr);
  app::ExportChoice Choice() const;

  // The save dialog; tests replace it. Gets the current name, returns the
  // chosen one or an empty text on cancel.
  std::function<QString(const QString& current)> browse;

  QLineEdit* fileEdit() const { return file_; }
  QRadioButton* targetButton(int index) const { return targets_[index]; }
  QCheckBox* deleteCheck() const { return delete_; }
  QPushButton* runButton() const { return run_; }

 private:
  QString BrowseSaveFile(const QString& current);

  QLineEdit* file_;
  QRadioButton* targets_[app::kExportTargets];
  QCheckBox* delete_;
  QPushButton* run_;
};

}  // namespace bq::gui
