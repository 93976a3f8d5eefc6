#include "app/gui/new_folder_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/controls/qt_text.h"

namespace bq::gui {

NewFolderDialog::NewFolderDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("NewFolderDialog"));
  setWindowTitle(QStringLiteral("新規フォルダ"));
  folder_ = new QRadioButton(QStringLiteral("フォルダ"), this);
  folder_->setObjectName(QStringLiteral("FolderChoice"));
  feed_ = new QRadioButton(QStringLiteral("フィード (RSS/Atom)"), this);
  feed_->setObjectName(QStringLiteral("FeedChoice"));
  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("FeedAddress"));
  address_->setAccessibleName(QStringLiteral("アドレス"));
  address_->setPlaceholderText(QStringLiteral("https://example.jp/feed.xml"));
  address_->setMinimumWidth(360);
  auto* hint = new QLabel(QStringLiteral("フィードのアドレス、またはフィードを示すページのアドレス。\n"
                                         "フォルダ名はフィードのタイトルから付けます。"),
                          this);
  hint->setObjectName(QStringLiteral("FeedHint"));
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

  auto* feedForm = new QFormLayout;
  feedForm->setContentsMargins(24, 0, 0, 0);
  feedForm->addRow(QStringLiteral("アドレス"), address_);
  feedForm->addRow(hint);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(folder_);
  layout->addWidget(feed_);
  layout->addLayout(feedForm);
  layout->addWidget(buttons_);

  folder_->setChecked(true);
  connect(folder_, &QRadioButton::toggled, this, &NewFolderDialog::Follow);
  connect(address_, &QLineEdit::textChanged, this, &NewFolderDialog::Follow);
  // Typing an address chooses the feed.
  connect(address_, &QLineEdit::textEdited, this, [this] { feed_->setChecked(true); });
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Follow();
}

QPushButton* NewFolderDialog::OkButton() const { return buttons_->button(QDialogButtonBox::Ok); }

app::NewFolderChoice NewFolderDialog::Choice() const {
  app::NewFolderChoice c;
  c.feed = feed_->isChecked();
  if (c.feed) c.address = ToSjis(address_->text());
  return c;
}

void NewFolderDialog::Follow() { OkButton()->setEnabled(app::CanCreateFolder(Choice())); }

}  // namespace bq::gui
