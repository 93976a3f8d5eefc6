#pragma once
// The page fetcher: the one way the system reaches the web. On top of the
// HTTP client it adds the page operations of the scripts, the disk cache,
// the system's proxy rules, an inactivity watchdog, status texts and the
// stop state of a round.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/proxy.h"
#include "platform/ui.h"
#include "textlib/kanji.h"
#include "web/httpclient.h"
#include "web/pagerender.h"
#include "web/proxyrules.h"
#include "web/statusbar.h"
#include "web/webcache.h"

namespace bq {

// What one page operation came to, told to a runner that reports fetches.
// The page operations swallow failures for the script; this is how the user
// still learns of them.
struct TPageReport {
  const char* operation = "";  // "GET", "POST", "HEAD" or "DOWNLOAD"
  std::string address;
  int replyNo = 0;       // as ReplyNo(): 406 without a reply, 999 from the cache
  std::size_t bytes = 0;  // of the page, header or file
  std::uint64_t ms = 0;
  std::string error;  // the fetcher's reason when it raised one (Shift_JIS)
  // No page: an error, no reply, or a status that is not a success.
  bool Failed() const { return !error.empty() || (replyNo != 999 && (replyNo < 200 || replyNo > 399)); }
};

// What GetRaw brought back.
struct TRawReply {
  int status = 406;    // as ReplyNo(): 406 when no reply came
  std::string body;    // the bytes as they came: no cache, no conversion
  bool cut = false;    // the body passed the limit and ends there
  std::string etag, lastModified, contentType;
  std::string url;     // the address fetched last (after redirects)
  std::string error;   // why no whole reply came (Shift_JIS); empty when one did
};

class TWebAccess : public THttpClient {
 public:
  using ProxySource = std::function<SystemProxySettings()>;
  explicit TWebAccess(EventPump& pump, ProxySource proxy = ReadSystemProxySettings);

  std::uint16_t HTTPTimeOut = 0;  // seconds without data before the watchdog stops; 0 = never
  // Milliseconds kept between the end of one request to a host (and port)
  // and the start of the next; 0 = no spacing.
  std::uint32_t HostInterval = 0;
  // Raised after the watchdog has stopped a transfer.
  std::function<void()> OnWatchdogStop;
  IStatusBar* StatusBar = nullptr;
  std::string CurrentURL;
  // The code the pages of the folder being fetched are read as; kAuto
  // believes the page's declaration and then the detectors. Set from the
  // folder's definition for the run of its script and back to kAuto after,
  // so no other folder's pages are read with it.
  PageCode PageCodeOverride = PageCode::kAuto;
  // Called after every page operation (GET, POST, HEAD, DOWNLOAD).
  std::function<void(const TPageReport&)> OnPageDone;
  // While set, no request leaves the machine: GetPage answers from the cache
  // whatever the copy's age or the script's cache option, and every page
  // operation whose page is not there fails as a failed fetch does, with the
  // status "not in the cache". The workbench sets it to step a script again
  // and again against the same pages.
  bool CacheOnly = false;
  // While set (the run of a folder with the option RenderJS), GetPage asks
  // Renderer for the document Chromium builds from the page and its
  // scripts instead of reading the reply body; the cache, the conversion to
  // Shift_JIS (from the UTF-8 Chromium writes) and the script follow as for
  // any page. ReplyNo is 200 when a document came and 406 when none did.
  // The cache replays a rendered page without starting Chromium.
  bool RenderPages = false;
  TPageRenderer Renderer;

  // Stores the folder (with a trailing separator) and creates it.
  void SetCacheDir(const std::string& dir);
  const std::string& CacheDir() const { return cacheDir_; }
  std::uint32_t DocDate() const { return docDate_; }
  bool Stopped() const { return stopped_; }
  int ReplyNo() const { return replyNo_; }
  // True when the last page fetched was read as UTF-8, so that a form on it
  // is sent back in UTF-8.
  bool PageCameInUtf8() const { return pageCameInUtf8_; }
  // What the watchdog's last stop reports ("読込みを中断しました: N 秒間応答が
  // ありません", CR LF, the address); empty after a Stop by hand and after
  // ResetStop.
  const std::string& StopText() const { return stopText_; }
  const TProxyState& ProxyState() const { return proxy_; }
  // The first render of the run that failed for a reason the user has to
  // act on (no Chromium, the budget spent): what a round reports for the
  // folder. Cleared by ResetStop and ClearRenderFault.
  const std::string& RenderFault() const { return renderFault_; }
  void ClearRenderFault() { renderFault_.clear(); }

  // The page at address (http:// or https://), from the cache when useCache
  // is set and the cached copy is younger than 7 days; empty on failure.
  std::string GetPage(const std::string& address, bool useCache);
  std::string PostPage(const std::string& address, const std::string& data);
  // The reply header of address (status 200 only).
  std::string HeadPage(const std::string& address);
  // Writes the body to fileName; returns the reply's Content-Length.
  std::int64_t DownloadFile(const std::string& address, const std::string& fileName);
  void OpenInBrowser(UserInterface& ui, const std::string& target);
  // A GET for documents that are not pages (feeds): the bytes as they came,
  // the cache neither read nor written, the header lines sent with the
  // request and its redirects, the body cut at maxBody. Spacing, Retry-After,
  // the watchdog and the cookie jar act as for pages. Failures are returned,
  // not raised, unless Stopped; OnPageDone is left to the caller, which
  // knows what the document came to.
  TRawReply GetRaw(const std::string& address, const std::vector<std::string>& headers, std::size_t maxBody);
  void StopTransfer();
  void ResetStop();
  std::string CacheFileName(const std::string& address);

  void Get(const std::string& url) override;
  void Post(const std::string& url, const std::string& data) override;
  void Head(const std::string& url) override;

 protected:
  void Idle() override;

 private:
  class ReportScope;
  std::string FetchPage(const std::string& address, bool useCache, ReportScope& report);
  std::string SendPost(const std::string& address, const std::string& data, ReportScope& report);
  std::string FetchHead(const std::string& address, ReportScope& report);
  std::int64_t FetchFile(const std::string& address, const std::string& fileName, ReportScope& report);
  void PrepareRequest(const std::string& address);
  // The rendered document of address (UTF-8); raises EHttpError when none.
  std::string RenderPage(const std::string& address);
  void ShowStatus(const std::string& state, const std::string& detail = "");
  void ShowAddress(const std::string& text);
  void ArmWatchdog();
  // Refuses a request while CacheOnly is set (raises EHttpError).
  void RefuseWhenCacheOnly(const std::string& url);
  void HandleRedirect(bool& handled);
  void SetDocDate();
  // Trims the normalised text and converts it to Shift_JIS.
  std::string Finish(const std::string& text);
  template <class F>
  void Watched(F request);
  // Seconds a 429 or 503 reply asks to wait before the same request is sent
  // once more (Retry-After as seconds or a date, at most 120); -1: no retry.
  int RetryDelay() const;
  // Waits ms with the status texts given, the watchdog held; a Stop or Skip
  // ends the wait at once with the transport's abort.
  void Wait(std::uint64_t ms, const std::string& state, const std::string& detail, bool countDown);
  std::string HostKey() const;
  void WaitForHostTurn();
  void NoteHostUsed();

  EventPump& pump_;
  ProxySource proxySource_;
  TProxyState proxy_;
  std::string cacheDir_;
  std::unique_ptr<TCacheIndex> cache_;
  std::uint32_t docDate_ = 0;
  bool stopped_ = false;
  int replyNo_ = 0;
  bool pageCameInUtf8_ = false;
  // Watchdog.
  bool watchdogOn_ = false;
  std::uint64_t nextTick_ = 0, interval_ = 0;
  std::int64_t bytesAtLastEvent_ = 0, bytesSinceTick_ = 0;
  // A download keeps its file across redirects.
  bool downloading_ = false;
  std::string downloadFile_;
  int redirectDepth_ = 0;
  bool redirected_ = false;
  bool waiting_ = false;
  std::string stopText_;
  std::string renderFault_;
  // When each host was last used, by TickCount64.
  std::map<std::string, std::uint64_t> hostUsed_;
};

// The body with every line break made CR LF and a CR LF after the last line
// (the cache file's form); a NUL byte ends the text.
std::string NormalizeLines(std::string&& body);

}  // namespace bq
