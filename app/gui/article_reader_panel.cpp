#include "app/gui/article_reader_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolButton>

#include "app/controls/qt_text.h"

namespace bq::gui {
namespace {

// Line breaks become the document's paragraph breaks.
QString BodyText(const std::string& sjis) {
  QString s = FromSjis(sjis);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

constexpr int kFirstLineIndent = 6;

}  // namespace

ArticleReaderPanel::ArticleReaderPanel(UserInterface& ui, QWidget* parent) : QWidget(parent), ui_(ui) {
  subject_ = new QLabel(this);
  QFont bold = subject_->font();
  bold.setBold(true);
  subject_->setFont(bold);
  subject_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  person_ = new QLabel(this);
  person_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  date_ = new QLabel(this);
  homePage_ = new QToolButton(this);
  homePage_->setText(QStringLiteral("HP"));
  link_ = new QToolButton(this);
  link_->setText(QStringLiteral("LINK"));
  body_ = new QTextBrowser(this);
  body_->setOpenLinks(false);
  body_->setOpenExternalLinks(false);
  body_->setContextMenuPolicy(Qt::CustomContextMenu);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setVerticalSpacing(1);
  grid->addWidget(subject_, 0, 0, 1, 3);
  grid->addWidget(person_, 1, 0);
  grid->addWidget(homePage_, 1, 1);
  grid->addWidget(link_, 1, 2);
  grid->addWidget(date_, 2, 0, 1, 3);
  grid->addWidget(body_, 3, 0, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(3, 1);

  connect(homePage_, &QToolButton::clicked, this, [this] { Open(homeTarget_); });
  connect(link_, &QToolButton::clicked, this, [this] { Open(linkTarget_); });
  connect(body_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { Open(url.toString()); });
  connect(body_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = ContextMenu(this);
    menu->exec(body_->viewport()->mapToGlobal(at));
    menu->deleteLater();
  });
  Clear();
}

void ArticleReaderPanel::Open(const QString& target) {
  if (!target.isEmpty()) ui_.ShellOpen(ToSjis(target));
}

void ArticleReaderPanel::Clear() {
  subject_->clear();
  person_->clear();
  date_->clear();
  homePage_->hide();
  link_->hide();
  body_->clear();
  homeTarget_.clear();
  linkTarget_.clear();
}

void ArticleReaderPanel::Show(const app::ReaderView& view, QColor quoteColour) {
  subject_->setText(FromSjis(view.subject));
  person_->setText(FromSjis(view.person));
  date_->setText(FromSjis(view.date));
  homeTarget_ = FromSjis(view.homePage).trimmed();
  linkTarget_ = FromSjis(view.linkTarget).trimmed();
  homePage_->setToolTip(homeTarget_);
  link_->setToolTip(linkTarget_);
  homePage_->setVisible(view.showHomePage);
  link_->setVisible(view.showLink);
  FillBody(view, quoteColour);
}

void ArticleReaderPanel::FillBody(const app::ReaderView& view, QColor quoteColour) {
  body_->clear();
  QTextCursor cursor(body_->document());
  QTextBlockFormat first = cursor.blockFormat();
  first.setTextIndent(kFirstLineIndent);
  cursor.setBlockFormat(first);
  const QColor normal = body_->palette().color(QPalette::Text);
  const QColor linkColour = body_->palette().color(QPalette::Link);
  for (const app::BodyRun& run : view.runs) {
    QTextCharFormat format;
    format.setForeground(run.kind == app::BodyRun::Quote ? quoteColour : normal);
    const QString text = BodyText(run.text);
    if (run.link) {
      format.setAnchor(true);
      format.setAnchorHref(text);
      format.setFontUnderline(true);
      if (run.kind != app::BodyRun::Quote) format.setForeground(linkColour);
    }
    cursor.insertText(text, format);
  }
  // Only the first line is indented, not every paragraph after it.
  for (QTextBlock b = body_->document()->begin().next(); b.isValid(); b = b.next()) {
    QTextCursor c(b);
    QTextBlockFormat f = b.blockFormat();
    f.setTextIndent(0);
    c.setBlockFormat(f);
  }
  body_->moveCursor(QTextCursor::Start);
}

QMenu* ArticleReaderPanel::ContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  const QString selected = body_->textCursor().selectedText();
  QAction* copy = menu->addAction(QStringLiteral("コピー(&C)"), body_, &QTextBrowser::copy);
  copy->setEnabled(!selected.isEmpty());
  const QString target = selected.trimmed();
  QAction* open = menu->addAction(QStringLiteral("ブラウザで開く"), this, [this, target] { Open(target); });
  open->setEnabled(app::IsBrowsableAddress(ToSjis(target)));
  return menu;
}

}  // namespace bq::gui
