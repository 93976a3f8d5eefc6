#pragma once
// The page fetcher: the one way the system reaches the web. On top of the
// HTTP client it adds the page operations of the scripts, the disk cache,
// the system's proxy rules, an inactivity watchdog, status texts and the
// stop state of a round.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/proxy.h"
#include "platform/ui.h"
#include "web/httpclient.h"
#include "web/proxyrules.h"
#include "web/statusbar.h"
#include "web/webcache.h"

namespace bq {

class TWebAccess : public THttpClient {
 public:
  using ProxySource = std::function<SystemProxySettings()>;
  explicit TWebAccess(EventPump& pump, ProxySource proxy = ReadSystemProxySettings);

  std::uint16_t HTTPTimeOut = 0;  // seconds without data before the watchdog stops; 0 = never
  IStatusBar* StatusBar = nullptr;
  std::string CurrentURL;
  // While set, no request leaves the machine: GetPage answers from the cache
  // whatever the copy's age or the script's cache option, and every page
  // operation whose page is not there fails as a failed fetch does, with the
  // status "not in the cache". The workbench sets it to step a script again
  // and again against the same pages.
  bool CacheOnly = false;

  // Stores the folder (with a trailing separator) and creates it.
  void SetCacheDir(const std::string& dir);
  const std::string& CacheDir() const { return cacheDir_; }
  std::uint32_t DocDate() const { return docDate_; }
  bool Stopped() const { return stopped_; }
  int ReplyNo() const { return replyNo_; }
  const TProxyState& ProxyState() const { return proxy_; }

  // The page at address (http:// or https://), from the cache when useCache
  // is set and the cached copy is younger than 7 days; empty on failure.
  std::string GetPage(const std::string& address, bool useCache);
  std::string PostPage(const std::string& address, const std::string& data);
  // The reply header of address (status 200 only).
  std::string HeadPage(const std::string& address);
  // Writes the body to fileName; returns the reply's Content-Length.
  std::int64_t DownloadFile(const std::string& address, const std::string& fileName);
  void OpenInBrowser(UserInterface& ui, const std::string& target);
  void StopTransfer();
  void ResetStop();
  std::string CacheFileName(const std::string& address);

  void Get(const std::string& url) override;
  void Post(const std::string& url, const std::string& data) override;
  void Head(const std::string& url) override;

 protected:
  void Idle() override;

 private:
  void PrepareRequest(const std::string& address);
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

  EventPump& pump_;
  ProxySource proxySource_;
  TProxyState proxy_;
  std::string cacheDir_;
  std::unique_ptr<TCacheIndex> cache_;
  std::uint32_t docDate_ = 0;
  bool stopped_ = false;
  int replyNo_ = 0;
  // Watchdog.
  bool watchdogOn_ = false;
  std::uint64_t nextTick_ = 0, interval_ = 0;
  std::int64_t bytesAtLastEvent_ = 0, bytesSinceTick_ = 0;
  // A download keeps its file across redirects.
  bool downloading_ = false;
  std::string downloadFile_;
  int redirectDepth_ = 0;
};

// The body with every line break made CR LF and a CR LF after the last line
// (the cache file's form); a NUL byte ends the text.
std::string NormalizeLines(std::string&& body);

}  // namespace bq
