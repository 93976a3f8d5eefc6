// Qt answers to the platform interfaces.
#include "app/gui/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>


namespace bq::gui {

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

void QtUi::ShowWindow(int mode) { emit showWindowRequested(mode); }

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
