// Qt answers to the platform interfaces.
#include "app/gui/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
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
  // Where xdg-open is the way (no desktop of its own), its answer counts:
  // a missing program or a failing one means nothing was opened. One that
  // is still working after a moment has opened it.
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (xdgOpen.isEmpty()) return QDesktopServices::openUrl(url);
  auto* p = new QProcess(QCoreApplication::instance());
  p->setProcessChannelMode(QProcess::ForwardedChannels);
  p->start(xdgOpen, {url.toString(QUrl::FullyEncoded)});
  if (!p->waitForStarted(3000)) {
    delete p;
    return false;
  }
  if (p->waitForFinished(1500)) {
    const bool opened = p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    delete p;
    return opened;
  }
  QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
  return true;
}

void QtPump::ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace bq::gui
