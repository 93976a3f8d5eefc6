// Set-Cookie values -> the cookie jar, its Cookie line and its file. Each
// input line is one Set-Cookie value of a reply; the jar must keep its
// limits, never put a line break into a Cookie line, and read back from its
// file exactly what it wrote. The whole input is also read as a cookie file
// and as a cookie date.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "textlib/limits.h"
#include "web/cookiejar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::int64_t now = 1796580000;
  bq::TCookieJar jar;
  size_t pos = 0;
  bool secure = false;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    std::string_view line = text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
    pos = lf == std::string_view::npos ? text.size() : lf + 1;
    jar.Store(line, secure ? "www.example.jp" : "example.jp", "/a/b?q=1", secure, now);
    secure = !secure;
  }
  if (jar.Cookies().size() > bq::limits::kMaxCookies) std::abort();
  for (std::string_view host : {"www.example.jp", "example.jp", "x.www.example.jp"}) {
    std::string line = jar.CookieHeader(host, "/a/b/c", true, now);
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  bq::TCookieJar back;
  back.Parse(jar.Format(), now);
  if (back.Cookies() != jar.Cookies()) std::abort();
  bq::TCookieJar file;
  file.Parse(text, now);
  bq::TCookieJar again;
  again.Parse(file.Format(), now);
  if (again.Cookies() != file.Cookies()) std::abort();
  std::int64_t t;
  (void)bq::ParseCookieDate(text, t);
  return 0;
}
