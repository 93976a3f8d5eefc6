#include "app/core/shell/viewer_page.h"

#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"
#include "textlib/strutil.h"

namespace bq::app {

ViewerLink ClassifyViewerLink(std::string_view url) {
  // A scheme is letters, digits, '+', '-' and '.' before the first ':',
  // starting with a letter; "file" is the viewer's own.
  std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return ViewerLink::Inside;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = url[i], lower = static_cast<char>(c | 0x20);
    const bool letter = lower >= 'a' && lower <= 'z';
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
      return ViewerLink::Inside;  // a path holding ':', not a scheme
  }
  return colon == 4 && StartsWithNoCase(url, "file") ? ViewerLink::Inside : ViewerLink::Outside;
}

ViewerDocument ReadViewerDocument(const std::string& osPath) {
  ViewerDocument doc;
  const std::string path = fs::FromOsPath(osPath);
  std::string bytes;
  if (!fs::FileExists(path) || !fs::ReadFile(path, bytes, limits::kMaxViewerFile)) return doc;
  doc.readable = true;
  doc.html = EndsWithNoCase(osPath, ".html") || EndsWithNoCase(osPath, ".htm");
  if (!doc.html) doc.text = SjisToUtf8(bytes);
  return doc;
}

}  // namespace bq::app
