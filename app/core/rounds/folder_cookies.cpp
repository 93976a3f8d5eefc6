#include "app/core/rounds/folder_cookies.h"

#include "platform/fs.h"
#include "textlib/limits.h"

namespace bq::app {

bool SavesCookies(const TFolderInfo& folder) { return folder.Extension(kSaveCookiesOption) == "1"; }

void SetSavesCookies(TFolderInfo& folder, bool on) { folder.SetExtension(kSaveCookiesOption, on ? "1" : ""); }

TFolderCookies::TFolderCookies(TWebAccess& web, const TFolderInfo& folder, const std::string& folderPath) : web_(web) {
  if (!SavesCookies(folder) || folderPath.empty()) return;
  path_ = fs::IncludeTrailingSeparator(folderPath) + std::string(kCookieFileName);
  std::string text;
  std::int64_t now = CookieNow();
  if (fs::ReadFile(path_, text, limits::kMaxCookieFile)) jar_.Parse(text, now);
  // Expired cookies and lines that were not understood are left out when
  // the file is read; the next write leaves them out of the file as well.
  rewrite_ = !text.empty() && jar_.Format() != text;
  web_.CookieJar = &jar_;
  active_ = true;
}

TFolderCookies::~TFolderCookies() {
  if (active_ && web_.CookieJar == &jar_) web_.CookieJar = nullptr;
}

void TFolderCookies::Save() {
  if (!active_) return;
  jar_.DropExpired(CookieNow());
  if (!jar_.Changed() && !rewrite_) return;
  fs::WriteFileAtomic(path_, jar_.Format());
  jar_.ClearChanged();
  rewrite_ = false;
}

void TFolderCookies::SaveQuietly() noexcept {
  try {
    Save();
  } catch (...) {
  }
}

}  // namespace bq::app
