#pragma once
// The cookie jar of a site folder during a run: with the folder option
// SaveCookies=1 (node file line "SaveCookies=1" after line 16, shown as
// "クッキーを保存する") the jar is read from the folder's "cookies.txt",
// lent to the page fetcher for the run, and written back atomically when it
// changed, expired cookies dropped. Without the option nothing is read,
// written or sent beyond what the fetcher always does.
#include <string>
#include <string_view>

#include "logstore/folder_info.h"
#include "web/cookiejar.h"
#include "web/webaccess.h"

namespace bq::app {

inline constexpr std::string_view kSaveCookiesOption = "SaveCookies";
inline constexpr std::string_view kCookieFileName = "cookies.txt";

bool SavesCookies(const TFolderInfo& folder);
void SetSavesCookies(TFolderInfo& folder, bool on);

class TFolderCookies {
 public:
  // folderPath ends in '/'; an unreadable file is an empty jar.
  TFolderCookies(TWebAccess& web, const TFolderInfo& folder, const std::string& folderPath);
  // Takes the jar back from the fetcher.
  ~TFolderCookies();
  TFolderCookies(const TFolderCookies&) = delete;
  TFolderCookies& operator=(const TFolderCookies&) = delete;

  // Writes the file when the jar changed; throws FileError when it cannot.
  void Save();
  // The same for a run that failed already: a write error is dropped.
  void SaveQuietly() noexcept;
  bool Active() const { return active_; }

 private:
  TWebAccess& web_;
  TCookieJar jar_;
  std::string path_;
  bool active_ = false;
  bool rewrite_ = false;
};

}  // namespace bq::app
