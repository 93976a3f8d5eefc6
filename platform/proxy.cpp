#include "platform/proxy.h"

#include <cstdlib>

namespace bq {
namespace {

std::string Env(const char* lower, const char* upper) {
  const char* v = std::getenv(lower);
  if (!v || !*v) v = std::getenv(upper);
  return v ? v : "";
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// "http://user:pw@host:port/path" -> "host:port".
std::string HostPort(std::string v) {
  v = Trim(v);
  size_t scheme = v.find("://");
  if (scheme != std::string::npos) v = v.substr(scheme + 3);
  v = v.substr(0, v.find('/'));
  size_t at = v.rfind('@');
  if (at != std::string::npos) v = v.substr(at + 1);
  return v;
}

}  // namespace

SystemProxySettings ProxySettingsFrom(const std::string& httpProxy, const std::string& httpsProxy,
                                      const std::string& noProxy) {
  SystemProxySettings s;
  std::string http = HostPort(httpProxy), https = HostPort(httpsProxy);
  if (http.empty() && https.empty()) return s;
  s.available = true;
  s.enabled = true;
  if (https.empty())
    s.server = http;
  else if (http.empty())
    s.server = "https=" + https;
  else
    s.server = "http=" + http + ";https=" + https;
  size_t start = 0;
  while (start <= noProxy.size()) {
    size_t comma = noProxy.find(',', start);
    std::string entry = Trim(noProxy.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (entry == "*") s.enabled = false;
    if (!entry.empty()) s.bypass += (s.bypass.empty() ? "" : ";") + entry;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return s;
}

SystemProxySettings ReadSystemProxySettings() {
  return ProxySettingsFrom(Env("http_proxy", "HTTP_PROXY"), Env("https_proxy", "HTTPS_PROXY"),
                           Env("no_proxy", "NO_PROXY"));
}

}  // namespace bq
