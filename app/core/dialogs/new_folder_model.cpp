#include "app/core/dialogs/new_folder_model.h"

#include "app/core/application.h"
#include "textlib/cp932.h"

namespace bq::app {

namespace {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

bool CanCreateFolder(const NewFolderChoice& choice) { return !choice.feed || !Trimmed(choice.address).empty(); }

NewFolderOutcome CreateFolder(TApplication& app, const std::string& parent, const NewFolderChoice& choice) {
  NewFolderOutcome out;
  if (!CanCreateFolder(choice)) return out;
  try {
    if (!choice.feed) {
      out.path = parent + app.NewFolder(parent) + "/";
      return out;
    }
    TBusyState::Scope fetching = app.Busy().Enter(Activity::Fetch, true);
    TApplication::NewFeedFolder made = app.AddFeedFolder(parent, Trimmed(choice.address));
    out.path = made.path;
    if (made.path.empty()) out.error = Utf8ToSjis("フィードフォルダを作れません: ") + made.run.error;
  } catch (const std::exception& e) {
    out.path.clear();
    out.error = choice.feed ? Utf8ToSjis("フィードフォルダを作れません: ") + e.what() : e.what();
  }
  return out;
}

}  // namespace bq::app
