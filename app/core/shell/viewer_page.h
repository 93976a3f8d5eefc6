#pragma once
// The program's own viewer, for when no browser or default program opens a
// help page, the script reference or the round log: what a file shows as,
// and where a link in it leads.
#include <string>
#include <string_view>

namespace bq::app {

// A link of a shown page: Inside (a relative address, an anchor, a file:
// address) opens in the viewer; Outside (http, https, mailto and any other
// scheme) is shown with its address, for the user to copy.
enum class ViewerLink { Inside, Outside };
ViewerLink ClassifyViewerLink(std::string_view url);

struct ViewerDocument {
  bool readable = false;  // false: missing, a folder, or not readable
  bool html = false;      // a page (.html, .htm), shown as the page it is
  std::string text;       // a plain file's text in UTF-8 (the round log is Shift_JIS)
};
// Reads the file at an OS path.
ViewerDocument ReadViewerDocument(const std::string& osPath);

}  // namespace bq::app
