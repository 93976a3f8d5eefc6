#include "app/gui/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/controls/qt_text.h"

namespace bq::gui {

namespace {

QStringList QtFilters() {
  QStringList out;
  for (const auto& f : app::ExportFileFilters())
    out << FromSjis(f.description) + " (" + FromSjis(f.patterns).replace(';', ' ') + ")";
  return out;
}

}  // namespace

ExportDialog::ExportDialog(const app::ExportChoice& initial, DialogPickers& pickers, QWidget* parent)
    : QDialog(parent), pickers_(pickers) {
  setWindowTitle(QStringLiteral("ログ出力"));
  auto* top = new QVBoxLayout(this);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel(QStringLiteral("出力ファイル"), this));
  file_ = new QLineEdit(FromSjis(initial.file), this);
  file_->setMinimumWidth(260);
  fileRow->addWidget(file_, 1);
  auto* browseButton = new QToolButton(this);
  browseButton->setText(QStringLiteral("..."));
  fileRow->addWidget(browseButton);
  top->addLayout(fileRow);
  error_ = new QLabel(this);
  error_->setObjectName(QStringLiteral("ExportError"));
  error_->setStyleSheet(QStringLiteral("color: #b00020"));
  error_->hide();
  top->addWidget(error_);

  auto* group = new QGroupBox(QStringLiteral("出力対象"), this);
  auto* groupLayout = new QVBoxLayout(group);
  const char* names[] = {"全部", "選択中", "未選択", "未読記事", "既読記事"};
  for (int i = 0; i < app::kExportTargets; ++i) {
    targets_[i] = new QRadioButton(QString::fromUtf8(names[i]), group);
    groupLayout->addWidget(targets_[i]);
  }
  targets_[initial.target >= 0 && initial.target < app::kExportTargets ? initial.target : 0]->setChecked(
      true);
  top->addWidget(group);

  auto* encodingRow = new QHBoxLayout;
  encodingRow->addWidget(new QLabel(QStringLiteral("文字コード"), this));
  encoding_ = new QComboBox(this);
  encoding_->setAccessibleName(QStringLiteral("文字コード"));
  for (const std::string& e : app::ExportEncodings()) encoding_->addItem(FromSjis(e));
  encoding_->setCurrentIndex(initial.utf8 ? 1 : 0);
  encodingRow->addWidget(encoding_);
  encodingRow->addStretch(1);
  top->addLayout(encodingRow);

  delete_ = new QCheckBox(QStringLiteral("出力した記事は削除する"), this);
  delete_->setChecked(initial.deleteExported);
  top->addWidget(delete_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  run_ = new QPushButton(QStringLiteral("実行！"), this);
  run_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
  buttons->addWidget(run_);
  buttons->addWidget(cancel);
  top->addLayout(buttons);

  connect(browseButton, &QToolButton::clicked, this, [this] {
    QString chosen = file_->text();
    if (pickers_.PickSaveFile(this, QtFilters(), chosen)) file_->setText(chosen);
  });
  connect(run_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

app::ExportChoice ExportDialog::Choice() const {
  app::ExportChoice c;
  c.file = ToSjis(file_->text());
  for (int i = 0; i < app::kExportTargets; ++i)
    if (targets_[i]->isChecked()) c.target = i;
  c.deleteExported = delete_->isChecked();
  c.utf8 = encoding_->currentIndex() == 1;
  return c;
}

void ExportDialog::accept() {
  const std::string error = app::ExportChoiceError(Choice());
  if (!error.empty()) {
    error_->setText(FromSjis(error));
    error_->show();
    file_->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace bq::gui
