#include "app/gui/dialog_pickers.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

#include "app/controls/qt_text.h"

namespace bq::gui {

bool DialogPickers::PickFont(QWidget* parent, TFont& font) {
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, ToQFont(font), parent);
  if (ok) StoreQFont(f, font);
  return ok;
}

bool DialogPickers::PickColor(QWidget* parent, std::int32_t& color) {
  QColor c = QColorDialog::getColor(ToQColor(color), parent);
  if (c.isValid()) color = FromQColor(c);
  return c.isValid();
}

bool DialogPickers::PickFolder(QWidget* parent, QString& folder) {
  QString f = QFileDialog::getExistingDirectory(parent, QStringLiteral("ログフォルダ"), folder);
  if (!f.isEmpty()) folder = f;
  return !f.isEmpty();
}

bool DialogPickers::PickSaveFile(QWidget* parent, const QStringList& filters, QString& file) {
  QFileDialog dlg(parent, QStringLiteral("エクスポート先のファイル"), file);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDefaultSuffix(QStringLiteral("txt"));
  dlg.setNameFilters(filters);
  // The descriptions already name their patterns.
  dlg.setOption(QFileDialog::HideNameFilterDetails);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  file = dlg.selectedFiles().first();
  return true;
}

bool DialogPickers::PickOpmlFile(QWidget* parent, bool save, QString& file) {
  QFileDialog dlg(parent, save ? QStringLiteral("OPMLの書き出し先") : QStringLiteral("読み込むOPMLファイル"), file);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dlg.setDefaultSuffix(QStringLiteral("opml"));
  dlg.setNameFilters({QStringLiteral("OPML (*.opml *.xml)"), QStringLiteral("全てのファイル (*)")});
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  file = dlg.selectedFiles().first();
  return true;
}

DialogPickers& DialogPickers::Standard() {
  static DialogPickers pickers;
  return pickers;
}

}  // namespace bq::gui
