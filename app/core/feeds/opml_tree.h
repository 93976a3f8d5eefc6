#pragma once
// The folder tree as an OPML subscription list, out and in.
//
// Out: every folder below the start folder becomes an outline, in path
// order ignoring case, nested as on disk: a feed folder as type="rss" with
// xmlUrl (the feed) and htmlUrl (its site); a script folder as
// type="brindlequay-script" with url, script and round; any other folder as
// a plain outline holding its children.
// In: an outline with xmlUrl becomes a feed folder marked for rounds; one of
// type="brindlequay-script" a script folder; any other a folder (an existing
// one of that name is used). An address that a folder of the log root
// already reads is not added again. Folder names come from text, else title,
// else the address, made safe as a feed title is.
#include <string>
#include <string_view>
#include <vector>

#include "app/core/application.h"

namespace bq::app {

// The OPML text (UTF-8) of the tree below folder (a system path).
std::string ExportOpml(const TApplication& app, const std::string& folder);

struct OpmlImportResult {
  int feeds = 0, scripts = 0, folders = 0;  // created
  int existing = 0;                         // addresses already read by a folder
  std::vector<std::string> created;         // paths of the new feed and script folders
  std::string error;                        // the file's fault, when it was not read whole (Shift_JIS)
};
// Creates the folders of an OPML file's outlines below folder. The folder
// open before stays open (its log is saved as any change of folder saves it).
OpmlImportResult ImportOpml(TApplication& app, std::string_view opmlBytes, const std::string& folder);

// The desktop's file commands over a file (a system path). Export writes
// the whole file or leaves the old one; it throws Exception with the
// system's message when it cannot. Import reads at most the OPML size limit;
// a file it cannot read imports nothing and says so in error.
void ExportOpmlFile(const TApplication& app, const std::string& folder, const std::string& file);
OpmlImportResult ImportOpmlFile(TApplication& app, const std::string& file, const std::string& folder);
// What an import came to, for the user (Shift_JIS):
// "OPML: フィード 3, スクリプト 1, フォルダ 2 を作成 (登録済み 1)".
std::string ImportSummary(const OpmlImportResult& result);

}  // namespace bq::app
