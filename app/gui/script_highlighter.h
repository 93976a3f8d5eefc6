#pragma once
// Syntax colouring of the script editor: keywords and builtin names from the
// compiler's own tables, strings, the three comment forms, and the bodies of
// clip template declarations (with their ${NAME} captures).
#include <QSet>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace bq::gui {

class ScriptHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  explicit ScriptHighlighter(QTextDocument* document);

  // The formats, public so tests can ask which one a character got.
  QTextCharFormat keyword, builtin, string, comment, clipBody, clipCapture, templateVariable;

 protected:
  void highlightBlock(const QString& text) override;

 private:
  // Block states: a (* comment or a clip template body runs on.
  enum State { kNormal = 0, kBlockComment = 1, kClipBody = 2 };
  int Normal(const QString& text, int from);
  void ClipLine(const QString& text);
  void TemplateVariables(const QString& text, int from, int to);
  QSet<QString> keywords_, builtins_;
};

}  // namespace bq::gui
