#pragma once
// The new-folder dialog "新規フォルダ": a plain folder, named
// "新しいフォルダN" and then by the user in the tree, or a feed folder made
// from an address (a feed, or a page naming one), named after the feed's
// title and holding the items of its first fetch.
#include <string>

namespace bq::app {

class TApplication;

struct NewFolderChoice {
  bool feed = false;
  std::string address;  // Shift_JIS; the feed's or the page's address
};

// OK may be pressed: a plain folder always, a feed folder with an address.
bool CanCreateFolder(const NewFolderChoice& choice);

struct NewFolderOutcome {
  std::string path;   // the new folder (ends in '/'); empty when none was made
  std::string error;  // why not (Shift_JIS), for the user
};
// Makes the folder below parent. A feed folder's first fetch runs in the
// busy state of a fetch, so Stop ends it; it leaves the new folder open (the
// open folder's log was saved first). A plain folder leaves the open folder
// as it is.
NewFolderOutcome CreateFolder(TApplication& app, const std::string& parent, const NewFolderChoice& choice);

}  // namespace bq::app
