// The editor's colouring, line by line, with the state of a running block
// comment or clip template body carried to the next line.
#include "app/gui/script_highlighter.h"

#include <QRegularExpression>

#include "app/core/workbench/reference.h"

namespace bq::gui {

namespace {

QTextCharFormat Format(const QColor& colour, bool bold = false, bool italic = false) {
  QTextCharFormat f;
  f.setForeground(colour);
  if (bold) f.setFontWeight(QFont::Bold);
  f.setFontItalic(italic);
  return f;
}

bool WordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'@'; }

}  // namespace

ScriptHighlighter::ScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  keyword = Format(QColor(0x00, 0x00, 0xA0), true);
  builtin = Format(QColor(0x80, 0x00, 0x80), true);
  string = Format(QColor(0xA0, 0x30, 0x00));
  comment = Format(QColor(0x20, 0x80, 0x20), false, true);
  clipBody = Format(QColor(0x00, 0x60, 0x80));
  clipBody.setBackground(QColor(0xF0, 0xF6, 0xFF));
  clipCapture = clipBody;
  clipCapture.setFontWeight(QFont::Bold);
  clipCapture.setForeground(QColor(0xC0, 0x00, 0x00));
  templateVariable = Format(QColor(0x00, 0x70, 0x70), true);
  for (std::string_view k : app::ScriptKeywords()) keywords_.insert(QString::fromLatin1(k.data(), static_cast<int>(k.size())));
  for (std::string_view b : app::ScriptBuiltinNames())
    builtins_.insert(QString::fromLatin1(b.data(), static_cast<int>(b.size())));
}

void ScriptHighlighter::highlightBlock(const QString& text) {
  int state = previousBlockState();
  setCurrentBlockState(kNormal);
  int from = 0;
  if (state == kClipBody) {
    if (!text.startsWith(QLatin1String("-::"))) {
      ClipLine(text);
      setCurrentBlockState(kClipBody);
      return;
    }
    setFormat(0, 3, clipCapture);
    from = 3;
  } else if (state == kBlockComment) {
    int end = text.indexOf(QLatin1String("*)"));
    if (end < 0) {
      setFormat(0, static_cast<int>(text.size()), comment);
      setCurrentBlockState(kBlockComment);
      return;
    }
    setFormat(0, end + 2, comment);
    from = end + 2;
  }
  setCurrentBlockState(Normal(text, from));
}

// Colours text from `from` on; returns the state the line leaves behind.
int ScriptHighlighter::Normal(const QString& text, int from) {
  const int n = static_cast<int>(text.size());
  int i = from;
  while (i < n) {
    QChar c = text[i];
    if (c == u'#' || (c == u'/' && i + 1 < n && text[i + 1] == u'/')) {
      setFormat(i, n - i, comment);
      return kNormal;
    }
    if (c == u'(' && i + 1 < n && text[i + 1] == u'*') {
      int end = text.indexOf(QLatin1String("*)"), i + 2);
      if (end < 0) {
        setFormat(i, n - i, comment);
        return kBlockComment;
      }
      setFormat(i, end + 2 - i, comment);
      i = end + 2;
      continue;
    }
    if (c == u'\'' || c == u'"') {
      int end = text.indexOf(c, i + 1);
      int stop = end < 0 ? n : end + 1;
      setFormat(i, stop - i, string);
      // "..." expands %NAME% references; '...' keeps them as they are.
      if (c == u'"') TemplateVariables(text, i, stop);
      i = stop;
      continue;
    }
    if (c == u'%') {
      int end = text.indexOf(u'%', i + 1);
      bool name = end > i + 1;
      for (int k = i + 1; name && k < end; ++k) name = WordChar(text[k]);
      if (name) {
        setFormat(i, end + 1 - i, templateVariable);
        i = end + 1;
        continue;
      }
    }
    if (WordChar(c)) {
      int start = i;
      while (i < n && WordChar(text[i])) ++i;
      QString word = text.mid(start, i - start).toUpper();
      if (text.mid(i, 4) == QLatin1String("[]:-")) {
        setFormat(start, i + 4 - start, clipCapture);
        return kClipBody;
      }
      if (keywords_.contains(word)) setFormat(start, i - start, keyword);
      else if (builtins_.contains(word)) setFormat(start, i - start, builtin);
      continue;
    }
    ++i;
  }
  return kNormal;
}

void ScriptHighlighter::TemplateVariables(const QString& text, int from, int to) {
  static const QRegularExpression reference(QStringLiteral("%[A-Za-z0-9_@]+%"));
  for (auto it = reference.globalMatch(text.left(to), from); it.hasNext();) {
    auto m = it.next();
    setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()), templateVariable);
  }
}

void ScriptHighlighter::ClipLine(const QString& text) {
  setFormat(0, static_cast<int>(text.size()), clipBody);
  static const QRegularExpression capture(QStringLiteral("\\$\\{[^}]*\\}"));
  for (auto it = capture.globalMatch(text); it.hasNext();) {
    auto m = it.next();
    setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()), clipCapture);
  }
}

}  // namespace bq::gui
