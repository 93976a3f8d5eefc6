// The editor's line number margin follows its scrolling and its block count.
#include "app/gui/code_editor.h"

#include "app/controls/qt_text.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

namespace bq::gui {

namespace {

class LineNumberMargin : public QWidget {
 public:
  explicit LineNumberMargin(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return QSize(editor_->LineNumberWidth(), 0); }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintLineNumbers(event); }

 private:
  CodeEditor* editor_;
};

}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), margin_(new LineNumberMargin(this)) {
  setObjectName(QStringLiteral("ProgramSource"));
  setFont(ScriptFont());
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) margin_->scroll(0, dy);
    else margin_->update(0, rect.y(), margin_->width(), rect.height());
    if (rect.contains(viewport()->rect())) UpdateMargin();
  });
  UpdateMargin();
}

int CodeEditor::LineNumberWidth() const {
  int digits = 1;
  for (int n = std::max(1, blockCount()); n >= 10; n /= 10) ++digits;
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void CodeEditor::UpdateMargin() { setViewportMargins(LineNumberWidth(), 0, 0, 0); }

void CodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  QRect r = contentsRect();
  margin_->setGeometry(QRect(r.left(), r.top(), LineNumberWidth(), r.height()));
}

void CodeEditor::PaintLineNumbers(QPaintEvent* event) {
  QPainter p(margin_);
  p.fillRect(event->rect(), QColor(0xEE, 0xEE, 0xEE));
  p.setPen(QColor(0x80, 0x80, 0x80));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  const int h = fontMetrics().height();
  // Numbered from 0, as the step list and the compiler's "N行目" count.
  while (block.isValid() && top <= event->rect().bottom()) {
    if (block.isVisible())
      p.drawText(0, top, margin_->width() - 4, h, Qt::AlignRight, QString::number(block.blockNumber()));
    top += qRound(blockBoundingRect(block).height());
    block = block.next();
  }
}

void CodeEditor::SelectSpan(int start, int length) {
  QTextCursor c = textCursor();
  int end = std::min(start + length, document()->characterCount() - 1);
  c.setPosition(std::min(start, end));
  c.setPosition(end, QTextCursor::KeepAnchor);
  setTextCursor(c);
  ensureCursorVisible();
}

}  // namespace bq::gui
