#pragma once
// The cookies of one site folder, kept as a browser keeps them: every
// Set-Cookie of a reply is stored under its domain and path, sent back on
// the requests they match, and dropped when it expires.
//
// Set-Cookie values accepted (attribute names without regard to case):
//   a=b                              host-only, default path, no expiry
//   a=b; Path=/x; Domain=.example.jp the host and its subdomains, below /x
//   a=b; Max-Age=60                  expires 60 s from now (0 or less: deletes)
//   a=b; Expires=Wed, 09 Jun 2027 10:18:14 GMT
//   a=b; Secure                      sent back only over https
// Rejected: no "=" before the first ";", an empty name, control bytes
// anywhere, a Domain the request host is not inside of, a Domain without a
// dot that is not the host itself, Secure set by a plain http reply.
//
// The file is the Netscape cookie file that curl and browsers' exporters
// read: "# Netscape HTTP Cookie File", then one line per cookie of seven
// tab-separated fields: domain (a leading "." for a domain cookie), "TRUE"
// when subdomains match, path, "TRUE" for Secure, expiry in seconds since
// 1970 UTC (0: none), name, value.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq {

struct TCookie {
  std::string name, value, domain, path;
  std::int64_t expires = 0;  // seconds since 1970 UTC; 0 = no expiry given
  bool secure = false;
  bool hostOnly = true;
  bool operator==(const TCookie&) const = default;
};

// One Set-Cookie value taken apart, before it meets a request.
struct TSetCookie {
  std::string name, value, domain, path;
  bool hasExpires = false, hasMaxAge = false, secure = false;
  std::int64_t expires = 0, maxAge = 0;
};

// False when the value is to be ignored.
bool ParseSetCookie(std::string_view text, TSetCookie& out);
// A cookie date ("Wed, 09 Jun 2027 10:18:14 GMT" and the looser forms
// browsers take) as seconds since 1970 UTC; false when it is none.
bool ParseCookieDate(std::string_view text, std::int64_t& utc);
// The directory part of a request path ("/a/b?q" -> "/a"; "/" when none).
std::string DefaultCookiePath(std::string_view requestPath);

class TCookieJar {
 public:
  // Takes one Set-Cookie value of a reply to host (lower case) for the
  // request path; false when it was rejected.
  bool Store(std::string_view setCookie, std::string_view host, std::string_view requestPath, bool secure,
             std::int64_t now);
  // "a=1; b=2" for a request, longer paths first; empty when none matches.
  std::string CookieHeader(std::string_view host, std::string_view requestPath, bool secure, std::int64_t now) const;
  void DropExpired(std::int64_t now);
  std::string Format() const;
  // Replaces the cookies by those of a file's text; bad lines and expired
  // cookies are skipped.
  void Parse(std::string_view text, std::int64_t now);

  const std::vector<TCookie>& Cookies() const { return cookies_; }
  // Set by every change since the last ClearChanged.
  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

 private:
  void Put(TCookie c);
  std::vector<TCookie> cookies_;  // in order of creation
  bool changed_ = false;
};

// Seconds since 1970 UTC.
std::int64_t CookieNow();

}  // namespace bq
