#include "app/gui/help_viewer.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace bq::gui {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpViewer"));
  resize(760, 600);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  // Every link comes to FollowLink: the viewer decides where it leads.
  browser_->setOpenLinks(false);
  browser_->setOpenExternalLinks(false);
  linkBar_ = new QWidget(this);
  auto* label = new QLabel(QStringLiteral("外部のリンク (ブラウザで開いてください):"), linkBar_);
  linkEdit_ = new QLineEdit(linkBar_);
  linkEdit_->setObjectName(QStringLiteral("LinkAddress"));
  linkEdit_->setReadOnly(true);
  linkEdit_->setAccessibleName(QStringLiteral("リンクのアドレス"));
  copy_ = new QPushButton(QStringLiteral("コピー"), linkBar_);
  auto* bar = new QHBoxLayout(linkBar_);
  bar->setContentsMargins(4, 2, 4, 2);
  bar->addWidget(label);
  bar->addWidget(linkEdit_, 1);
  bar->addWidget(copy_);
  linkBar_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(browser_, 1);
  layout->addWidget(linkBar_);
  connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::FollowLink);
  connect(copy_, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(linkEdit_->text()); });
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Brindlequay") : title);
  });
}

bool HelpViewer::ShowFile(const QString& file, const QString& anchor) {
  const app::ViewerDocument doc = app::ReadViewerDocument(file.toStdString());
  if (!doc.readable) return false;
  linkBar_->hide();
  if (doc.html) {
    QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    if (!anchor.isEmpty()) url.setFragment(anchor);
    browser_->setSource(url, QTextDocument::HtmlResource);
  } else {
    browser_->setSource(QUrl());
    browser_->setPlainText(QString::fromStdString(doc.text));
    setWindowTitle(QFileInfo(file).fileName());
    // The newest lines of a log are at its end.
    browser_->moveCursor(QTextCursor::End);
  }
  return true;
}

void HelpViewer::FollowLink(const QUrl& url) {
  const QString address = url.toString(QUrl::FullyEncoded);
  if (app::ClassifyViewerLink(address.toStdString()) == app::ViewerLink::Outside) {
    linkEdit_->setText(url.toString());
    linkEdit_->selectAll();
    linkBar_->show();
    linkEdit_->setFocus();
    return;
  }
  linkBar_->hide();
  browser_->setSource(browser_->source().resolved(url), QTextDocument::HtmlResource);
}

}  // namespace bq::gui
