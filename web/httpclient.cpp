#include "web/httpclient.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/compare.h"
#include "platform/fs.h"
#include "textlib/limits.h"
#include "textlib/strutil.h"
#include "web/codecs.h"
#include "web/dechunk.h"

namespace bq {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

// The n-th (0-based) '/'-separated field.
std::string Field(const std::string& s, int n) {
  size_t start = 0;
  for (int i = 0; i < n; ++i) {
    size_t p = s.find('/', start);
    if (p == std::string::npos) return std::string();
    start = p + 1;
  }
  return s.substr(start, s.find('/', start) - start);
}

int ToPort(const std::string& text) {
  std::int32_t v = 0;
  size_t i = 0;
  bool ok = !text.empty() && text.size() <= 9;
  for (; ok && i < text.size(); ++i) ok = text[i] >= '0' && text[i] <= '9';
  if (!ok) throw Exception("'" + text + "' is not a valid integer value");
  v = std::stoi(text);
  if (v < 1 || v > 65535) throw Exception("'" + text + "' is not a valid port number");
  return v;
}

constexpr const char* kTypeNames[] = {"Get", "Options", "Head", "Post", "Put", "Patch", "Copy",
                                      "Move", "Delete", "Link", "UnLink", "Trace", "Wrapped"};
constexpr const char* kTypeWords[] = {"GET ", "OPTIONS ", "HEAD ", "POST ", "PUT ", "PATCH ", "COPY ",
                                      "MOVE ", "DELETE ", "LINK ", "UNLINK ", "TRACE ", ""};
static_assert(sizeof kTypeNames / sizeof kTypeNames[0] == rtWrapped + 1);
static_assert(sizeof kTypeWords / sizeof kTypeWords[0] == rtWrapped + 1);

// The jar's cookies, and the redirect cookie unless the jar has one of its
// name already.
std::string MergeCookies(const std::string& jar, const std::string& redirect) {
  if (jar.empty() || redirect.empty()) return jar.empty() ? redirect : jar;
  std::string name = redirect.substr(0, redirect.find('=')) + "=";
  size_t at = 0;
  while ((at = jar.find(name, at)) != std::string::npos) {
    if (at == 0 || (at >= 2 && jar.compare(at - 2, 2, "; ") == 0)) return jar;
    at += name.size();
  }
  return jar + "; " + redirect;
}

bool SendsData(int t) { return t == rtPost || t == rtPut || t == rtPatch || t == rtTrace || t == rtWrapped; }

}  // namespace

const char* RequestTypeName(int type) { return type >= 0 && type <= rtWrapped ? kTypeNames[type] : "(err)"; }

void TExStringList::SetHeader(const std::string& name, const std::string& value) {
  auto it = lines_.begin();
  for (; it != lines_.end(); ++it) {
    size_t colon = it->find(':');
    if (colon != std::string::npos && CompareTextIgnoreCase(std::string_view(*it).substr(0, colon), name) == 0) break;
  }
  if (value.empty()) {
    if (it != lines_.end()) lines_.erase(it);
  } else if (it != lines_.end()) {
    *it = name + ": " + value;
  } else {
    lines_.push_back(name + ": " + value);
  }
}

void THttpClient::Start(TRequestType type, const std::string& url, const std::string& data,
                        const std::string& url2) {
  type_ = type;
  url_ = url;
  data_ = data;
  url2_ = url2;
  RunRequest();
}

void THttpClient::Get(const std::string& url) { Start(rtGet, url, "", ""); }
void THttpClient::Options(const std::string& url) { Start(rtOptions, url, "", ""); }
void THttpClient::Head(const std::string& url) { Start(rtHead, url, "", ""); }
void THttpClient::Delete(const std::string& url) { Start(rtDelete, url, "", ""); }
void THttpClient::Put(const std::string& url, const std::string& data) { Start(rtPut, url, data, ""); }
void THttpClient::Patch(const std::string& url, const std::string& data) { Start(rtPatch, url, data, ""); }
void THttpClient::Trace(const std::string& url, const std::string& data) { Start(rtTrace, url, data, ""); }
void THttpClient::Wrapped(const std::string& url, const std::string& data) { Start(rtWrapped, url, data, ""); }
void THttpClient::Copy(const std::string& url, const std::string& url2) { Start(rtCopy, url, "", url2); }
void THttpClient::Move(const std::string& url, const std::string& url2) { Start(rtMove, url, "", url2); }
void THttpClient::Link(const std::string& url, const std::string& url2) { Start(rtLink, url, "Send.dat", url2); }
void THttpClient::UnLink(const std::string& url, const std::string& url2) { Start(rtUnLink, url, "Send.dat", url2); }

void THttpClient::Post(const std::string& url, const std::string& data) {
  if (OutputFileMode) return Start(rtPost, url, data, "");
  TUrlDecoder d;
  d.InputString = data;
  Start(rtPost, url, d.Decode(), "");
}

void THttpClient::Abort() {
  lookupDone_ = true;
  Cancel();
}

void THttpClient::ParseURL() {
  if (url_.empty()) throw Exception("Empty URL");
  if (Port == 0) Port = 80;
  const bool slashes = url_.find("//") != std::string::npos;
  size_t third = std::string::npos;
  if (slashes) {
    size_t a = url_.find('/'), b = url_.find('/', a + 1);
    third = url_.find('/', b + 1);
    path_ = third == std::string::npos ? "" : url_.substr(third);
  } else {
    size_t first = url_.find('/');
    path_ = first == std::string::npos ? "" : url_.substr(first);
  }
  if (path_.size() > limits::kMaxRequestPath) path_.resize(limits::kMaxRequestPath);
  size_t colon = url_.find(':');
  // Only a scheme or a host may stand before the colon; a colon further on
  // (in a relative address's query) changes nothing.
  if (colon != std::string::npos && url_.substr(0, colon).find('/') == std::string::npos) {
    std::string scheme = Lower(url_.substr(0, colon));
    Port = scheme == "gopher" ? 70 : scheme == "ftp" ? 21 : scheme == "https" ? 443 : 80;
    https_ = scheme == "https";
  }
  std::string host = slashes ? Field(url_, 2) : (!url_.empty() && url_[0] == '/') ? "" : Field(url_, 0);
  size_t portColon = host.rfind(':');
  if (!host.empty() && host[0] == '[') {
    size_t close = host.find(']');
    portColon = close != std::string::npos && close + 1 < host.size() && host[close + 1] == ':' ? close + 1
                                                                                                : std::string::npos;
  }
  if (portColon != std::string::npos) {
    Port = ToPort(host.substr(portColon + 1));
    host.resize(portColon);
  }
  if (!host.empty()) Host = host;
  if (path_.empty()) {
    path_.assign(1, '/');
    url_.push_back('/');
  }
  UseTls = https_;
}

void THttpClient::BuildRequest() {
  headers_.Clear();
  std::string host = Host;
  if (Port != (https_ ? 443 : 80)) {
    host.push_back(':');
    host.append(std::to_string(Port));
  }
  if (type_ != rtWrapped) headers_.Add(kTypeWords[type_] + (ViaProxy() ? url_ : path_) + " HTTP/1.0");
  if (ViaProxy()) {
    headers_.Add("Proxy-Connection: Keep-Alive");
    headers_.Add("Host: " + host);
  }
  headers_.SetHeader("Host", host);
  headers_.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
  headers_.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
  const THeaderInfo& h = HeaderInfo;
  if (!h.LocalMailAddress.empty()) headers_.SetHeader("User-Agent", h.LocalMailAddress);
  if (!h.LocalProgram.empty()) headers_.SetHeader("From", h.LocalProgram);
  std::string cookie = h.Cookie;
  if (CookieJar) cookie = MergeCookies(CookieJar->CookieHeader(Host, path_, https_, CookieNow()), h.Cookie);
  if (!cookie.empty()) headers_.SetHeader("Cookie", cookie);
  if (!h.Referer.empty()) headers_.SetHeader("Referer", h.Referer);
  if (!h.UserId.empty() && !h.Password.empty()) {
    // The encoder breaks its lines every 45 bytes; a header value must be
    // one line, so every line end goes, not just the last.
    std::string lines = TUUProcessor().Encode(h.UserId + ":" + h.Password), b;
    for (char ch : lines)
      if (ch != '\r' && ch != '\n') b.push_back(ch);
    headers_.SetHeader("Authorization", "Basic " + b);
  }
  for (const std::string& line : ExtraHeaders) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    headers_.SetHeader(line.substr(0, colon), std::string(TrimBlanks(std::string_view(line).substr(colon + 1))));
  }
  headers_.Add("Content-type: application/x-www-form-urlencoded");
  if (type_ == rtCopy || type_ == rtMove) headers_.Add("URI-header: " + url2_);
  if (type_ == rtLink || type_ == rtUnLink) headers_.Add("Link: " + url2_);
  if (SendsData(type_) || type_ == rtLink || type_ == rtUnLink) {
    std::int64_t size = static_cast<std::int64_t>(data_.size());
    if (OutputFileMode && type_ != rtLink && type_ != rtUnLink) {
      struct stat st{};
      size = ::stat(fs::ToOsPath(data_).c_str(), &st) == 0 ? st.st_size : 0;
    }
    headers_.Add("Content-Length: " + std::to_string(size));
  }
  headers_.Add("");
}

void THttpClient::SendRequest() {
  std::string text;
  for (const std::string& line : headers_.Lines()) text += line + "\r\n";
  WriteBytes(text);
  if (SendsData(type_)) {
    if (OutputFileMode)
      SendFile(data_);
    else
      WriteBytes(data_);
  }
  sentType_ = type_;
  type_ = rtGet;
}

void THttpClient::AppendHeader(const std::string& line, int fd) {
  if (fd >= 0) {
    if (!sys::WriteAll(fd, line.data(), line.size())) throw ESockError(Header + ": " + sys::ErrnoText(errno));
    return;
  }
  if (Header.size() + line.size() > limits::kMaxHttpHeader) throw ESockError("Reply header too long");
  Header += line;
}

void THttpClient::ReadReplyHeader() {
  BytesTotal = 0;
  capturedCookie_.clear();
  Reply = TReplyInfo();
  sys::Fd file;
  if (OutputFileMode) {
    file.reset(sys::Open(fs::ToOsPath(Header).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (!file) throw ESockError(Header + ": " + sys::ErrnoText(errno));
  } else {
    Header.clear();
  }
  int fd = file ? file.get() : -1;
  std::string line = ReadLn();
  ReplyNumber = static_cast<std::int16_t>(ParseStatusCode(line));
  Reply.status = ReplyNumber;
  AppendHeader(line, fd);
  std::size_t total = line.size();
  for (;;) {
    line = ReadLn();
    total += line.size();
    if (total > limits::kMaxHttpHeader) throw ESockError("Reply header too long");
    AppendHeader(line, fd);
    if (IsHeaderEnd(line)) break;
    ParseHeaderLine(line, Reply);
  }
  capturedCookie_ = Reply.cookie;
  if (Reply.hasLocation) url_ = Reply.location;
  BytesTotal = Reply.contentLength;
}

void THttpClient::StoreCookies() {
  if (!CookieJar) return;
  std::int64_t now = CookieNow();
  for (const std::string& value : Reply.setCookies) CookieJar->Store(value, Host, path_, https_, now);
}

bool THttpClient::OpenTunnel() {
  if (!https_) return false;
  std::string target = Host + ":" + std::to_string(Port);
  WriteBytes("CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n");
  std::string status = ReadLn();
  std::size_t total = status.size();
  for (std::string line = status; !line.empty();) {
    line = ReadLn();
    total += line.size();
    if (total > limits::kMaxHttpHeader) throw ESockError("Reply header too long");
    if (IsHeaderEnd(line)) break;
  }
  int code = ParseStatusCode(status);
  if (code >= 200 && code <= 299) return true;
  while (!status.empty() && (status.back() == '\r' || status.back() == '\n')) status.pop_back();
  std::string message = "Proxy refused the tunnel: " + (status.empty() ? std::string("no reply") : status);
  StatusMessage(2, message);
  throw ESockError(message);
}

void THttpClient::CaptureBody() {
  BodyTruncated = false;
  BodyCut = false;
  int st = ReplyNumber;
  bool noBody = sentType_ == rtHead || (st >= 100 && st < 200) || st == 204 || st == 304;
  std::string body;
  sys::Fd file;
  std::uint64_t written = 0;
  if (InputFileMode) {
    file.reset(sys::Open(fs::ToOsPath(Body).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (!file) throw ESockError(Body + ": " + sys::ErrnoText(errno));
  }
  auto store = [&](const char* p, size_t n) {
    if (file) {
      if ((written += n) > limits::kMaxHttpFile) throw ESockError("Reply body too large");
      if (!sys::WriteAll(file.get(), p, n)) throw ESockError(Body + ": " + sys::ErrnoText(errno));
    } else if (BodyLimit != 0 && body.size() + n > BodyLimit) {
      body.append(p, BodyLimit - body.size());
      BodyCut = true;
    } else {
      if (body.size() + n > limits::kMaxHttpBody) throw ESockError("Reply body too large");
      body.append(p, n);
    }
  };
  if (!noBody) {
    const bool sized = Reply.hasContentLength && !Reply.chunked;
    if (sized && !file) body.reserve(static_cast<size_t>(std::min<std::int64_t>(Reply.contentLength, limits::kMaxHttpBody)));
    TDechunker dechunk(store);
    std::int64_t raw = 0;
    auto sink = [&](const char* p, size_t n) {
      raw += static_cast<std::int64_t>(n);
      if (!Reply.chunked) return store(p, n);
      if (!dechunk.Feed(p, n)) throw ESockError("Malformed chunked body");
    };
    auto done = [&] { return BodyCut || (Reply.chunked ? dechunk.Done() : sized && raw >= Reply.contentLength); };
    CaptureTo(sink, done, file ? "Socket send aborted" : "Socket capture aborted");
    BodyTruncated = !BodyCut && (Reply.chunked ? !dechunk.Done() : sized && raw < Reply.contentLength);
  }
  if (!file) Body = std::move(body);
}

void THttpClient::RunRequest() {
  int hops = 0;
  for (;;) {
    ParseURL();
    BuildRequest();
    if (OnAboutToSend) OnAboutToSend();
    Connect();
    try {
      SendRequest();
      ReadReplyHeader();
      StoreCookies();
      CaptureBody();
      if (ReplyNumber < 299) {
        if (OnSuccess) OnSuccess(type_);
        StatusMessage(2, "Transaction Completed");
      } else if (ReplyNumber > 399) {
        if (OnFailure) OnFailure(type_);
      }
    } catch (...) {
      Disconnect();
      throw;
    }
    Disconnect();
    // Not modified: the answer to a conditional request, not a redirect.
    if (ReplyNumber == 304) return;
    if (ReplyNumber > 299 && ReplyNumber < 399) {
      if (!capturedCookie_.empty()) HeaderInfo.Cookie = capturedCookie_;
      bool handled = false;
      if (OnRedirect) OnRedirect(handled);
      if (handled) return;
      if (url_.find('/') == std::string::npos) url_ = "http://" + Host + "/" + url_;
    }
    if (ReplyNumber == 401 && OnAuthenticationNeeded) OnAuthenticationNeeded();
    if (ReplyNumber < 299 || ReplyNumber > 399) return;
    if (++hops > limits::kMaxRedirects) throw EHttpError("Too many redirects");
    type_ = rtGet;
  }
}

}  // namespace bq
