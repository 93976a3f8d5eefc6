// Qt answers to the platform interfaces.
#include "app/gui/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "platform/fs.h"
#include "textlib/cp932.h"

namespace bq::gui {

QString FromSjis(std::string_view sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }
std::string ToSjis(const QString& text) { return Utf8ToSjis(text.toStdString()); }
std::string SystemPath(const QString& osPath) { return fs::FromOsPath(osPath.toStdString()); }
QString OsPath(std::string_view systemPath) { return QString::fromStdString(fs::ToOsPath(systemPath)); }

QFont ToQFont(const TFont& f) {
  QFont q(FromSjis(f.name));
  if (f.size > 0) q.setPointSize(f.size);
  q.setBold(f.style & 1);
  q.setItalic(f.style & 2);
  q.setUnderline(f.style & 4);
  q.setStrikeOut(f.style & 8);
  if (f.pitch == 2) q.setFixedPitch(true);
  return q;
}

void StoreQFont(const QFont& q, TFont& f) {
  f.name = ToSjis(q.family());
  if (q.pointSize() > 0) f.size = q.pointSize();
  f.style = (q.bold() ? 1 : 0) | (q.italic() ? 2 : 0) | (q.underline() ? 4 : 0) | (q.strikeOut() ? 8 : 0);
  f.pitch = q.fixedPitch() ? 2 : 0;
}

int QtUi::MessageBox(std::string_view text, std::string_view caption, int buttons) {
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  if (buttons == kMbOkCancel) set = QMessageBox::Ok | QMessageBox::Cancel;
  if (buttons == kMbYesNoCancel) set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  if (buttons == kMbYesNo) set = QMessageBox::Yes | QMessageBox::No;
  QMessageBox box(buttons == kMbOk ? QMessageBox::Information : QMessageBox::Question, FromSjis(caption),
                  FromSjis(text), set, parent);
  switch (box.exec()) {
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    case QMessageBox::Cancel: return kIdCancel;
    default: return kIdOk;
  }
}

bool QtUi::InputBox(std::string_view caption, std::string_view prompt, std::string& value) {
  bool ok = false;
  QString answer =
      QInputDialog::getText(parent, FromSjis(caption), FromSjis(prompt), QLineEdit::Normal, FromSjis(value), &ok);
  if (ok) value = ToSjis(answer);
  return ok;
}

void QtUi::ShowWindow(int mode) {
  if (onShowWindow) onShowWindow(mode);
}

std::string QtUi::ClipboardText() { return ToSjis(QApplication::clipboard()->text()); }
void QtUi::SetClipboardText(std::string_view text) { QApplication::clipboard()->setText(FromSjis(text)); }

bool QtUi::ShellOpen(std::string_view target) {
  QString t = FromSjis(target);
  QUrl url = t.contains(QStringLiteral("://")) || t.startsWith(QStringLiteral("mailto:"))
                 ? QUrl(t)
                 : QUrl::fromLocalFile(QFileInfo(OsPath(target)).absoluteFilePath());
  return QDesktopServices::openUrl(url);
}

void QtPump::ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace bq::gui
