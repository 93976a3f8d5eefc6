#pragma once
// The script editor (ProgramSource): plain text in a fixed-pitch font, no
// wrapping, with the line numbers drawn in a margin on its left.
#include <QPlainTextEdit>

namespace bq::gui {

class CodeEditor : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit CodeEditor(QWidget* parent = nullptr);
  int LineNumberWidth() const;
  void PaintLineNumbers(QPaintEvent* event);
  // Selects [start, start + length) in editor characters and shows it.
  void SelectSpan(int start, int length);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateMargin();
  QWidget* margin_;
};

}  // namespace bq::gui
