#pragma once
// An HTTP/1.0 client on the socket transport: one connection per request,
// the body read until the server closes (or the announced length or the
// last chunk has arrived), redirects followed through OnRedirect.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "web/cookiejar.h"
#include "web/httpreply.h"
#include "web/sockclient.h"

namespace bq {

// A failure of a page operation; the message is the system's own text.
class EHttpError : public Exception {
 public:
  using Exception::Exception;
};

struct THeaderInfo {
  std::string LocalMailAddress, LocalProgram, Cookie, Referer, UserId, Password;
};

// Header lines with a replace-or-append by name.
class TExStringList {
 public:
  // Replaces the first line named name by "name: value", appends one when
  // there is none; an empty value deletes the line.
  void SetHeader(const std::string& name, const std::string& value);
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

enum TRequestType : std::uint8_t {
  rtGet, rtOptions, rtHead, rtPost, rtPut, rtPatch, rtCopy, rtMove, rtDelete, rtLink, rtUnLink, rtTrace, rtWrapped
};
// "Get", "Options", ... or "(err)".
const char* RequestTypeName(int type);

class THttpClient : public TSockClient {
 public:
  explicit THttpClient(EventPump& pump) : TSockClient(pump) {}

  std::string Body = "Default.htm";
  std::string Header = "Head.txt";
  THeaderInfo HeaderInfo;
  bool InputFileMode = false, OutputFileMode = false;
  std::function<void()> OnAboutToSend;
  std::function<void(int type)> OnSuccess, OnFailure;
  std::function<void(bool& handled)> OnRedirect;
  std::function<void()> OnAuthenticationNeeded;
  // What the last reply header said, and whether its body came whole.
  TReplyInfo Reply;
  bool BodyTruncated = false;
  // When set, every Set-Cookie of every reply goes into the jar and every
  // request carries the jar's matching cookies; null sends only the
  // redirect cookie, as always.
  TCookieJar* CookieJar = nullptr;
  // Lines ("Name: value") every request carries besides its own, until the
  // caller clears them (a conditional GET's If-None-Match, redirects too).
  std::vector<std::string> ExtraHeaders;
  // When not 0, a body captured into memory ends at this many bytes: the
  // rest is not read, the connection is closed and BodyCut is set. 0 keeps
  // the general cap, past which the request fails.
  std::size_t BodyLimit = 0;
  bool BodyCut = false;

  virtual void Get(const std::string& url);
  virtual void Options(const std::string& url);
  virtual void Head(const std::string& url);
  virtual void Delete(const std::string& url);
  virtual void Post(const std::string& url, const std::string& data);
  virtual void Put(const std::string& url, const std::string& data);
  virtual void Patch(const std::string& url, const std::string& data);
  virtual void Trace(const std::string& url, const std::string& data);
  virtual void Wrapped(const std::string& url, const std::string& data);
  virtual void Copy(const std::string& url, const std::string& url2);
  virtual void Move(const std::string& url, const std::string& url2);
  virtual void Link(const std::string& url, const std::string& url2);
  virtual void UnLink(const std::string& url, const std::string& url2);
  void Abort() override;

  // The request lines of the last BuildRequest, for inspection.
  const std::vector<std::string>& RequestLines() const { return headers_.Lines(); }
  const std::string& RequestUrl() const { return url_; }
  const std::string& RequestPath() const { return path_; }

 protected:
  virtual void RunRequest();
  virtual void ParseURL();
  virtual void BuildRequest();
  virtual void ReadReplyHeader();
  virtual void SendRequest();
  // An https request through the proxy: CONNECT host:port, then TLS to the
  // host inside the tunnel. A refusal fails with the proxy's status line.
  bool OpenTunnel() override;

 private:
  void Start(TRequestType type, const std::string& url, const std::string& data, const std::string& url2);
  void CaptureBody();
  void AppendHeader(const std::string& line, int fd);
  void StoreCookies();
  // Whether the request line names the whole address: plain http through a
  // proxy (a tunnelled https request looks like a direct one).
  bool ViaProxy() const { return !Proxy.empty() && !https_; }

  std::string url_, path_, data_, url2_;
  std::uint8_t type_ = rtGet, sentType_ = rtGet;
  std::string capturedCookie_;
  TExStringList headers_;
  bool https_ = false;
};

}  // namespace bq
