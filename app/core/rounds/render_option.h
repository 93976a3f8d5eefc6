#pragma once
// The folder option RenderJS: node file line "RenderJS=1" after line 16,
// shown as "JavaScriptを実行してページを作る". For the run of such a folder's
// script the fetcher has headless Chromium build every page it reads (GET,
// READLINK, a SUBMIT by GET) from the page and its scripts, within the
// settings' time budget (RENDERBUDGET seconds). The folder's cookie jar is
// not handed to Chromium: its requests carry no saved cookies, and cookies
// it receives stay in its throwaway profile. The dialog's captions are in
// fetch_options.h.
#include <cstdint>
#include <string_view>

#include "logstore/folder_info.h"
#include "web/webaccess.h"

namespace bq::app {

inline constexpr std::string_view kRenderJsOption = "RenderJS";
bool RendersPages(const TFolderInfo& folder);
void SetRendersPages(TFolderInfo& folder, bool on);

// The folder's option holds for the run of its script only.
class TRenderScope {
 public:
  TRenderScope(TWebAccess& web, const TFolderInfo& folder) : web_(web) { web_.RenderPages = RendersPages(folder); }
  ~TRenderScope() { web_.RenderPages = false; }
  TRenderScope(const TRenderScope&) = delete;
  TRenderScope& operator=(const TRenderScope&) = delete;

 private:
  TWebAccess& web_;
};

}  // namespace bq::app
