#include "app/core/shell/viewer_page.h"

#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::app {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoreCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (Lower(text[text.size() - tail.size() + i]) != tail[i]) return false;
  return true;
}

}  // namespace

ViewerLink ClassifyViewerLink(std::string_view url) {
  // A scheme is letters, digits, '+', '-' and '.' before the first ':',
  // starting with a letter; "file" is the viewer's own.
  std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return ViewerLink::Inside;
  std::string scheme;
  for (std::size_t i = 0; i < colon; ++i) {
    char c = Lower(url[i]);
    bool letter = c >= 'a' && c <= 'z';
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
      return ViewerLink::Inside;  // a path holding ':', not a scheme
    scheme.push_back(c);
  }
  return scheme == "file" ? ViewerLink::Inside : ViewerLink::Outside;
}

ViewerDocument ReadViewerDocument(const std::string& osPath) {
  ViewerDocument doc;
  const std::string path = fs::FromOsPath(osPath);
  std::string bytes;
  if (!fs::FileExists(path) || !fs::ReadFile(path, bytes, limits::kMaxViewerFile)) return doc;
  doc.readable = true;
  doc.html = EndsWithIgnoreCase(osPath, ".html") || EndsWithIgnoreCase(osPath, ".htm");
  if (!doc.html) doc.text = SjisToUtf8(bytes);
  return doc;
}

}  // namespace bq::app
