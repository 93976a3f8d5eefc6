// The about box.
#include "app/gui/about_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "app/core/version.h"
#include "app/gui/icons.h"

namespace bq::gui {

AboutBox::AboutBox(const QString& settingsFile, const QString& dataFolder, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("バージョン情報"));
  auto* grid = new QGridLayout(this);
  auto* icon = new QLabel;
  icon->setPixmap(AppIcon().pixmap(64, 64));
  grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  auto* name = new QLabel(QStringLiteral("<b style='font-size:16pt'>Brindlequay</b> &nbsp;%1")
                              .arg(QString::fromUtf8("バージョン ") + QString::fromLatin1(app::kVersion)));
  grid->addWidget(name, 0, 1);
  grid->addWidget(new QLabel(QString::fromUtf8("ウェブサイトから記事を集めて読むためのプログラム")), 1, 1);
  auto* files = new QLabel(QString::fromUtf8("設定ファイル: %1\nデータフォルダ: %2").arg(settingsFile, dataFolder));
  files->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(files, 2, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 3, 0, 1, 2);
}

}  // namespace bq::gui
