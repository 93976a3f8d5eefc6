#include "web/webaccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

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
  OnDisconnect = [this] { ShowStatus(webtext::kDisconnected); };
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
  proxy_ = ReadProxySettings(host, proxySource_());
  // The proxy is asked for plain HTTP only; https goes straight to the host.
  bool secure = address.size() >= 8 && (address.compare(0, 8, "https://") == 0 || address.compare(0, 8, "HTTPS://") == 0);
  Proxy = secure ? std::string() : proxy_.host;
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
  if (!watchdogOn_ || TickCount64() < nextTick_) return;
  nextTick_ += interval_;
  if (bytesSinceTick_ == 0) StopTransfer();
  bytesSinceTick_ = 0;
}

template <class F>
void TWebAccess::Watched(F request) {
  ArmWatchdog();
  try {
    request();
  } catch (...) {
    watchdogOn_ = false;
    throw;
  }
  watchdogOn_ = false;
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
  if (IsPlainAscii(page)) return std::string(page);
  // The one place where a page becomes Shift_JIS; the reply's Content-Type
  // is a hint used when the page declares no charset of its own.
  return ToSjis(page, Reply.contentType);
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
  handled = true;
}

std::string TWebAccess::GetPage(const std::string& address, bool useCache) {
  replyNo_ = 406;
  if (!StartsWith(address, "http://") && !StartsWith(address, "https://")) return std::string();
  std::string f = CacheFileName(address);
  PrepareRequest(address);
  // Key 0 is the shared overflow file: its contents may be another page's.
  bool ownSlot = !f.empty() && f != TCacheIndex::FileNameOf(cacheDir_, 0);
  try {
    std::string text;
    double age = ownSlot && (useCache || CacheOnly) ? AgeInDays(f) : -1;
    if (age < 0 || (age >= kCacheDays && !CacheOnly)) {
      ShowStatus(webtext::kGetting);
      Get(address);
      replyNo_ = ReplyNumber;
      if (BodyTruncated) throw ESockError("Connection closed before the whole body arrived");
      text = NormalizeLines(std::move(Body));
      Body.clear();
      SetDocDate();
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
    return Finish(text);
  } catch (const Exception&) {
    // A refused request must not cost the cached copy it could not replace.
    if (!f.empty() && !CacheOnly) fs::DeleteFile(f);
    if (stopped_) throw;
    return std::string();
  }
}

std::string TWebAccess::PostPage(const std::string& address, const std::string& data) {
  replyNo_ = 406;
  if (address.empty()) return std::string();
  PrepareRequest(address);
  ShowStatus(webtext::kSending);
  try {
    Post(address, data);
    replyNo_ = ReplyNumber;
    if (ReplyNumber != 200 || BodyTruncated) throw EHttpError(webtext::kFetchFailed);
    SetDocDate();
    Body = Finish(NormalizeLines(std::move(Body)));
    return Body;
  } catch (const Exception&) {
    Body.clear();
    Header.clear();
    if (stopped_) throw EHttpError(webtext::kStopped + address);
    return std::string();
  }
}

std::string TWebAccess::HeadPage(const std::string& address) {
  replyNo_ = 406;
  if (address.empty()) return std::string();
  PrepareRequest(address);
  ShowStatus(webtext::kHeadState);
  try {
    Head(address);
    replyNo_ = ReplyNumber;
    if (ReplyNumber != 200) throw EHttpError(webtext::kFetchFailed);
    SetDocDate();
    return Header;
  } catch (const Exception&) {
    Body.clear();
    Header.clear();
    if (stopped_) throw EHttpError(webtext::kStopped + address);
    return std::string();
  }
}

std::int64_t TWebAccess::DownloadFile(const std::string& address, const std::string& fileName) {
  replyNo_ = 406;
  if (address.empty()) return 0;
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
  } catch (const Exception&) {
    if (!fileName.empty()) fs::DeleteFile(fileName);
    throw EHttpError(webtext::kDownloadFailed + address);
  }
  return result;
}

void TWebAccess::OpenInBrowser(UserInterface& ui, const std::string& target) {
  if (target.empty()) return;
  ui.ShellOpen(target.find("://") != std::string::npos ? target : "mailto:" + target);
}

}  // namespace bq
