#include "web/webaccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/events.h"
#include "platform/fs.h"
#include "textlib/dates.h"
#include "textlib/kanji.h"
#include "textlib/limits.h"
#include "textlib/links.h"
#include "web/webtexts.h"

namespace bq {
namespace {

constexpr double kCacheDays = 7.0;

bool StartsWith(const std::string& s, std::string_view p) { return s.compare(0, p.size(), p) == 0; }

std::string_view TrimText(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The cache file is a cache: rewritten in place, without truncating it to
// nothing first or renaming a new file over it, because ext4 flushes the
// data of a file replaced either way, and that would cost every fetch a
// wait for the disk. A write that fails leaves no file behind.
void SaveCacheFile(const std::string& path, const std::string& text) {
  std::string os = fs::ToOsPath(path);
  sys::Fd fd(sys::Open(os.c_str(), O_WRONLY | O_CREAT, 0644));
  if (!fd) return;
  bool ok = sys::WriteAll(fd.get(), text.data(), text.size()) && ::ftruncate(fd.get(), static_cast<off_t>(text.size())) == 0;
  ok = sys::Close(fd.release()) == 0 && ok;
  if (!ok) ::unlink(os.c_str());
}

bool IsPlainAscii(std::string_view s) {
  unsigned char high = 0, esc = 0;
  for (char c : s) {
    high |= static_cast<unsigned char>(c);
    esc |= static_cast<unsigned char>(c == '\x1b');
  }
  return (high & 0x80) == 0 && !esc;
}

// Age of a file in days, or a negative value when it is missing.
double AgeInDays(const std::string& path) {
  struct stat st{};
  if (::stat(fs::ToOsPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  double age = static_cast<double>(now.tv_sec - st.st_mtim.tv_sec) +
               static_cast<double>(now.tv_nsec - st.st_mtim.tv_nsec) / 1e9;
  return age / 86400.0;
}

}  // namespace

std::string NormalizeLines(std::string&& body) {
  size_t nul = body.find('\0');
  if (nul != std::string::npos) body.resize(nul);
  // Most pages already use CR LF throughout: then the text is kept as it is.
  // It is clean when a CR stands before every LF and only there, which one
  // pass of byte comparisons the compiler vectorises can tell.
  const unsigned char* p = reinterpret_cast<const unsigned char*>(body.data());
  const size_t n = body.size();
  unsigned char bad = n > 0 && (p[0] == '\n' || p[n - 1] == '\r');
  for (size_t i = 1; i < n; ++i) bad |= static_cast<unsigned char>((p[i - 1] == '\r') != (p[i] == '\n'));
  const bool clean = !bad;
  auto endsWithBreak = [](const std::string& s) { return s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0; };
  if (clean) {
    if (!body.empty() && !endsWithBreak(body)) body += "\r\n";
    return std::move(body);
  }
  std::string out;
  out.reserve(body.size() + body.size() / 16 + 2);
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && !endsWithBreak(out)) out += "\r\n";
  std::string().swap(body);
  return out;
}

TWebAccess::TWebAccess(EventPump& pump, ProxySource proxy) : THttpClient(pump), pump_(pump), proxySource_(std::move(proxy)) {
  OnHostResolved = [this] { ShowStatus(webtext::kLookingUp); };
  OnConnect = [this] { ShowStatus(webtext::kConnecting); };
  OnDisconnect = [this] {
    NoteHostUsed();
    ShowStatus(webtext::kDisconnected);
  };
  OnAboutToSend = [this] { WaitForHostTurn(); };
  OnSuccess = [this](int type) { ShowStatus(std::string(RequestTypeName(type)) + " Succeeded"); };
  OnFailure = [this](int type) { ShowStatus(std::string(RequestTypeName(type)) + " Failed"); };
  OnPacketRecvd = [this] {
    bytesSinceTick_ = BytesReceived - bytesAtLastEvent_;
    bytesAtLastEvent_ = BytesReceived;
    ShowStatus(webtext::kReceiving, std::to_string(BytesReceived) + " of " + std::to_string(BytesTotal) + webtext::kBytes);
  };
  OnPacketSent = [this] {
    ShowStatus(webtext::kSendingData, std::to_string(BytesSent) + " of " + std::to_string(BytesTotal) + webtext::kBytes);
  };
  OnStatus = [this](const std::string& text) { ShowStatus(ReplyNumber == 404 ? "Object Not Found" : text); };
  OnRedirect = [this](bool& handled) { HandleRedirect(handled); };
}

void TWebAccess::SetCacheDir(const std::string& dir) {
  cacheDir_ = dir.empty() ? dir : fs::IncludeTrailingSeparator(dir);
  if (!cacheDir_.empty()) fs::ForceDirectories(cacheDir_);
  cache_ = cacheDir_.empty() ? nullptr : std::make_unique<TCacheIndex>(cacheDir_);
}

std::string TWebAccess::CacheFileName(const std::string& address) {
  return cache_ ? cache_->CacheFileName(address) : std::string();
}

void TWebAccess::ShowStatus(const std::string& state, const std::string& detail) {
  if (!StatusBar) return;
  StatusBar->SetPanel(0, state);
  StatusBar->SetPanel(1, detail);
}

void TWebAccess::ShowAddress(const std::string& text) {
  if (StatusBar) StatusBar->SetPanel(2, text);
}

void TWebAccess::PrepareRequest(const std::string& address) {
  std::string host;
  size_t slashes = address.find("//");
  if (slashes != std::string::npos) {
    size_t end = address.find('/', slashes + 2);
    if (end != std::string::npos) host = std::string(TrimText(std::string_view(address).substr(slashes + 2, end - slashes - 2)));
  }
  bool secure = address.size() >= 8 && (address.compare(0, 8, "https://") == 0 || address.compare(0, 8, "HTTPS://") == 0);
  // An https address goes through the proxy in a CONNECT tunnel.
  proxy_ = ReadProxySettings(host, proxySource_(), secure);
  Proxy = proxy_.host;
  ProxyPort = proxy_.port;
  Abort();
  InputFileMode = false;
  OutputFileMode = false;
  ReportLevel = 2;
  Header.clear();
  Body.clear();
  ShowAddress(address);
  CurrentURL = address;
}

void TWebAccess::ArmWatchdog() {
  bytesAtLastEvent_ = bytesSinceTick_ = 0;
  interval_ = static_cast<std::uint64_t>(HTTPTimeOut) * 1000;
  watchdogOn_ = HTTPTimeOut != 0;
  nextTick_ = TickCount64() + interval_;
}

void TWebAccess::Idle() {
  if (!watchdogOn_ || waiting_ || TickCount64() < nextTick_) return;
  nextTick_ += interval_;
  if (bytesSinceTick_ == 0) {
    std::string address = CurrentURL;
    StopTransfer();
    stopText_ = webtext::kInterruptedBy + std::to_string(interval_ / 1000) + webtext::kNoReplyFor + "\r\n" + address;
    if (OnWatchdogStop) OnWatchdogStop();
  }
  bytesSinceTick_ = 0;
}

template <class F>
void TWebAccess::Watched(F request) {
  ArmWatchdog();
  try {
    redirected_ = false;
    request();
    // A redirect's own request has had its retry; this level has not.
    int delay = redirected_ ? -1 : RetryDelay();
    if (delay >= 0) {
      Wait(static_cast<std::uint64_t>(delay) * 1000, webtext::kRetryWait, std::to_string(ReplyNumber) + " ", true);
      ArmWatchdog();
      request();
    }
  } catch (...) {
    watchdogOn_ = false;
    throw;
  }
  watchdogOn_ = false;
}

int TWebAccess::RetryDelay() const {
  constexpr int kMaxRetryAfter = 120;
  if ((ReplyNumber != 429 && ReplyNumber != 503) || Reply.retryAfter.empty()) return -1;
  const std::string& v = Reply.retryAfter;
  std::int64_t seconds = 0;
  if (std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (v.size() > 9) return -1;
    seconds = std::stoll(v);
  } else {
    std::int64_t at = 0, now = 0;
    if (!ParseCookieDate(v, at)) return -1;
    // The server's own clock says how far off its date is; ours only when it
    // sent none.
    if (Reply.date.empty() || !ParseCookieDate(Reply.date, now)) now = CookieNow();
    seconds = std::max<std::int64_t>(0, at - now);
  }
  return seconds <= kMaxRetryAfter ? static_cast<int>(seconds) : -1;
}

void TWebAccess::Wait(std::uint64_t ms, const std::string& state, const std::string& detail, bool countDown) {
  struct Hold {
    TWebAccess& w;
    ~Hold() {
      w.waiting_ = false;
      w.nextTick_ = TickCount64() + w.interval_;
    }
  } hold{*this};
  waiting_ = true;
  ShowStatus(state, detail);
  std::uint64_t end = TickCount64() + ms;
  for (std::uint64_t now = TickCount64(); now < end; now = TickCount64()) {
    std::uint64_t left = end - now;
    if (countDown) ShowStatus(state, detail + webtext::kSecondsLeft + std::to_string((left + 999) / 1000) + webtext::kSeconds);
    if (!Delay(std::min<std::uint64_t>(left, 1000))) throw EAbortError("Wait aborted");
  }
}

std::string TWebAccess::HostKey() const {
  std::string key = Host;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return key + ":" + std::to_string(Port);
}

void TWebAccess::WaitForHostTurn() {
  if (HostInterval == 0) return;
  auto it = hostUsed_.find(HostKey());
  std::uint64_t now = TickCount64();
  if (it != hostUsed_.end() && now < it->second + HostInterval) {
    // The cancel left by PrepareRequest's Abort is not the user's.
    cancel_ = false;
    Wait(it->second + HostInterval - now, webtext::kSpacingWait, Host, false);
  }
  NoteHostUsed();
}

void TWebAccess::NoteHostUsed() {
  if (HostInterval == 0) return;
  std::uint64_t now = TickCount64();
  if (hostUsed_.size() > 256) std::erase_if(hostUsed_, [&](const auto& e) { return e.second + HostInterval < now; });
  hostUsed_[HostKey()] = now;
}

void TWebAccess::RefuseWhenCacheOnly(const std::string& url) {
  if (!CacheOnly) return;
  ReplyNumber = 406;
  ShowStatus(webtext::kNotInCache, url);
  throw EHttpError(std::string(webtext::kNotInCache) + ": " + url);
}

// Every request of every page operation (redirects included) passes here,
// so CacheOnly cannot be bypassed by an operation added later.
void TWebAccess::Get(const std::string& url) {
  RefuseWhenCacheOnly(url);
  Watched([&] { THttpClient::Get(url); });
}
void TWebAccess::Post(const std::string& url, const std::string& data) {
  RefuseWhenCacheOnly(url);
  Watched([&] { THttpClient::Post(url, data); });
}
void TWebAccess::Head(const std::string& url) {
  RefuseWhenCacheOnly(url);
  Watched([&] { THttpClient::Head(url); });
}

void TWebAccess::StopTransfer() {
  watchdogOn_ = false;
  Abort();
  ShowStatus(webtext::kInterrupted);
  stopped_ = true;
}

void TWebAccess::ResetStop() {
  stopped_ = false;
  stopText_.clear();
  renderFault_.clear();
  replyNo_ = 0;
}

void TWebAccess::SetDocDate() {
  std::string lm = HeaderValue(Header, "Last-Modified:");
  Date d = lm.empty() ? 0 : TryReadMailDate(lm);
  if (d == 0) {
    std::string date = HeaderValue(Header, "Date:");
    d = date.empty() ? 0 : TryReadMailDate(date);
  }
  docDate_ = d;
}

std::string TWebAccess::Finish(const std::string& text) {
  std::string_view page = TrimText(text);
  // Seven-bit text without escapes reads the same in every code the
  // conversion knows, so it needs none.
  if (IsPlainAscii(page)) {
    pageCameInUtf8_ = DeclaresUtf8(page, Reply.contentType);
    return std::string(page);
  }
  // The one place where a page becomes Shift_JIS; the reply's Content-Type
  // is a hint used when the page declares no charset of its own.
  return ToSjisAs(page, PageCodeOverride, Reply.contentType, &pageCameInUtf8_);
}

void TWebAccess::HandleRedirect(bool& handled) {
  std::string location = HeaderValue(Header, "Location:");
  if (location.empty()) return;
  if (redirectDepth_ >= limits::kMaxRedirects) throw EHttpError(webtext::kTooManyRedirects);
  // A relative location is taken relative to the page that sent it, so
  // that CurrentURL stays a usable base for the page's links.
  std::string absolute = Resolve(CurrentURL, location);
  if (!absolute.empty()) location = absolute;
  ShowStatus(webtext::kRedirecting);
  ShowAddress(webtext::kRedirectTo + location);
  PrepareRequest(location);
  if (downloading_) {
    InputFileMode = !downloadFile_.empty();
    Body = downloadFile_;
  }
  ++redirectDepth_;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{redirectDepth_};
  Get(location);
  redirected_ = true;
  handled = true;
}

// Times one page operation and tells OnPageDone how it went, also when it
// ends by an exception.
class TWebAccess::ReportScope {
 public:
  ReportScope(TWebAccess& web, const char* operation, const std::string& address) : web_(web) {
    report_.operation = operation;
    report_.address = address;
    start_ = TickCount64();
  }
  ReportScope(const ReportScope&) = delete;
  ReportScope& operator=(const ReportScope&) = delete;
  ~ReportScope() {
    if (!web_.OnPageDone) return;
    report_.replyNo = web_.replyNo_;
    report_.ms = TickCount64() - start_;
    web_.OnPageDone(report_);
  }
  void Failed(const std::string& reason) { report_.error = reason; }
  void Bytes(std::size_t n) { report_.bytes = n; }

 private:
  TWebAccess& web_;
  TPageReport report_;
  std::uint64_t start_ = 0;
};

std::string TWebAccess::GetPage(const std::string& address, bool useCache) {
  ReportScope report(*this, "GET", address);
  std::string page = FetchPage(address, useCache, report);
  report.Bytes(page.size());
  return page;
}

std::string TWebAccess::PostPage(const std::string& address, const std::string& data) {
  ReportScope report(*this, "POST", address);
  std::string page = SendPost(address, data, report);
  report.Bytes(page.size());
  return page;
}

std::string TWebAccess::HeadPage(const std::string& address) {
  ReportScope report(*this, "HEAD", address);
  std::string header = FetchHead(address, report);
  report.Bytes(header.size());
  return header;
}

std::int64_t TWebAccess::DownloadFile(const std::string& address, const std::string& fileName) {
  ReportScope report(*this, "DOWNLOAD", address);
  std::int64_t length = FetchFile(address, fileName, report);
  report.Bytes(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
  return length;
}

std::string TWebAccess::FetchPage(const std::string& address, bool useCache, ReportScope& report) {
  replyNo_ = 406;
  pageCameInUtf8_ = false;
  if (!StartsWith(address, "http://") && !StartsWith(address, "https://")) {
    report.Failed("not an absolute http:// or https:// address");
    return std::string();
  }
  std::string f = CacheFileName(address);
  PrepareRequest(address);
  // Key 0 is the shared overflow file: its contents may be another page's.
  bool ownSlot = !f.empty() && f != TCacheIndex::FileNameOf(cacheDir_, 0);
  try {
    std::string text;
    double age = ownSlot && (useCache || CacheOnly) ? AgeInDays(f) : -1;
    if (age < 0 || (age >= kCacheDays && !CacheOnly)) {
      if (RenderPages) {
        text = NormalizeLines(RenderPage(address));
        replyNo_ = 200;
        docDate_ = 0;
      } else {
        ShowStatus(webtext::kGetting);
        Get(address);
        replyNo_ = ReplyNumber;
        if (BodyTruncated) throw ESockError("Connection closed before the whole body arrived");
        text = NormalizeLines(std::move(Body));
        Body.clear();
        SetDocDate();
      }
      if (!f.empty()) SaveCacheFile(f, text);
    } else {
      ShowStatus(webtext::kCacheRead);
      std::string raw;
      if (!fs::ReadFile(f, raw, limits::kMaxCachedPage)) throw EHttpError(webtext::kDataFailed);
      text = NormalizeLines(std::move(raw));
      replyNo_ = 999;
      Reply = TReplyInfo();
      pump_.ProcessMessages();
      if (stopped_) {
        Abort();
        throw EHttpError(webtext::kStopped + address);
      }
    }
    if (!RenderPages) return Finish(text);
    // Chromium writes the document in UTF-8 but keeps the page's own
    // declaration of its code, which no longer holds.
    struct Utf8Scope {
      PageCode& code;
      PageCode saved = code;
      ~Utf8Scope() { code = saved; }
    } utf8{PageCodeOverride};
    PageCodeOverride = PageCode::kUtf8;
    return Finish(text);
  } catch (const Exception& e) {
    report.Failed(e.what());
    // A refused request must not cost the cached copy it could not replace.
    if (!f.empty() && !CacheOnly) fs::DeleteFile(f);
    if (stopped_) throw;
    return std::string();
  }
}

std::string TWebAccess::RenderPage(const std::string& address) {
  RefuseWhenCacheOnly(address);
  // The cancel PrepareRequest's Abort left is not the user's: from here on
  // a Stop or Skip sets it again.
  cancel_ = false;
  Reply = TReplyInfo();
  ShowStatus(webtext::kRendering);
  TRenderResult r = Renderer.Render(address, proxy_.host, proxy_.port, [this] {
    pump_.ProcessMessages();
    return cancel_;
  }, webtext::kInterrupted);
  cancel_ = false;
  if (!r.ok) {
    ShowStatus(r.error);
    if (!stopped_ && r.error != webtext::kInterrupted && renderFault_.empty()) renderFault_ = r.error;
    throw EHttpError(r.error);
  }
  return std::move(r.html);
}

std::string TWebAccess::SendPost(const std::string& address, const std::string& data, ReportScope& report) {
  replyNo_ = 406;
  pageCameInUtf8_ = false;
  if (address.empty()) {
    report.Failed("no address");
    return std::string();
  }
  PrepareRequest(address);
  ShowStatus(webtext::kSending);
  try {
    Post(address, data);
    replyNo_ = ReplyNumber;
    if (ReplyNumber != 200 || BodyTruncated) throw EHttpError(webtext::kFetchFailed);
    SetDocDate();
    Body = Finish(NormalizeLines(std::move(Body)));
    return Body;
  } catch (const Exception& e) {
    report.Failed(e.what());
    Body.clear();
    Header.clear();
    if (stopped_) throw EHttpError(webtext::kStopped + address);
    return std::string();
  }
}

std::string TWebAccess::FetchHead(const std::string& address, ReportScope& report) {
  replyNo_ = 406;
  if (address.empty()) {
    report.Failed("no address");
    return std::string();
  }
  PrepareRequest(address);
  ShowStatus(webtext::kHeadState);
  try {
    Head(address);
    replyNo_ = ReplyNumber;
    if (ReplyNumber != 200) throw EHttpError(webtext::kFetchFailed);
    SetDocDate();
    return Header;
  } catch (const Exception& e) {
    report.Failed(e.what());
    Body.clear();
    Header.clear();
    if (stopped_) throw EHttpError(webtext::kStopped + address);
    return std::string();
  }
}

std::int64_t TWebAccess::FetchFile(const std::string& address, const std::string& fileName, ReportScope& report) {
  replyNo_ = 406;
  if (address.empty()) {
    report.Failed("no address");
    return 0;
  }
  PrepareRequest(address);
  InputFileMode = !fileName.empty();
  Body = fileName;
  ShowAddress(address);
  ShowStatus(webtext::kGetting);
  downloading_ = true;
  downloadFile_ = fileName;
  struct Reset {
    bool& d;
    ~Reset() { d = false; }
  } reset{downloading_};
  std::int64_t result = 0;
  try {
    Get(address);
    replyNo_ = ReplyNumber;
    if (ReplyNumber / 10 == 40) return 0;
    std::int64_t size = -1;
    if (fileName.empty()) {
      size = static_cast<std::int64_t>(Body.size());
    } else {
      struct stat st{};
      if (::stat(fs::ToOsPath(fileName).c_str(), &st) == 0) size = st.st_size;
    }
    if (!Reply.hasContentLength) throw EHttpError(webtext::kDataFailed);
    result = Reply.contentLength;
    if (ReplyNumber != 200 || size != result) throw EHttpError(webtext::kDataFailed);
  } catch (const Exception& e) {
    report.Failed(e.what());
    if (!fileName.empty()) fs::DeleteFile(fileName);
    throw EHttpError(webtext::kDownloadFailed + address);
  }
  return result;
}

TRawReply TWebAccess::GetRaw(const std::string& address, const std::vector<std::string>& headers,
                              std::size_t maxBody) {
  TRawReply out;
  replyNo_ = 406;
  out.url = address;
  if (!StartsWith(address, "http://") && !StartsWith(address, "https://")) {
    out.error = "not an absolute http:// or https:// address";
    return out;
  }
  struct Restore {
    TWebAccess& w;
    ~Restore() {
      w.ExtraHeaders.clear();
      w.BodyLimit = 0;
    }
  } restore{*this};
  PrepareRequest(address);
  ExtraHeaders = headers;
  BodyLimit = std::max<std::size_t>(maxBody, 1);
  try {
    ShowStatus(webtext::kGetting);
    Get(address);
    replyNo_ = out.status = ReplyNumber;
    SetDocDate();
    out.cut = BodyCut;
    out.body = std::move(Body);
    Body.clear();
    out.etag = Reply.etag;
    out.lastModified = Reply.lastModified;
    out.contentType = Reply.contentType;
    out.url = CurrentURL;
    if (BodyTruncated) out.error = "Connection closed before the whole body arrived";
  } catch (const Exception& e) {
    out.error = e.what();
    out.url = CurrentURL;
    if (stopped_) throw;
  }
  return out;
}

void TWebAccess::OpenInBrowser(UserInterface& ui, const std::string& target) {
  if (target.empty()) return;
  ui.ShellOpen(target.find("://") != std::string::npos ? target : "mailto:" + target);
}

}  // namespace bq
