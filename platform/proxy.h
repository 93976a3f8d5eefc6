#pragma once
// The system's proxy setting as the three values the Windows Internet
// settings held: enabled, the server list and the bypass list. On Linux they
// come from the environment: http_proxy (or HTTP_PROXY), https_proxy (or
// HTTPS_PROXY) and no_proxy (or NO_PROXY).
#include <string>

namespace bq {

struct SystemProxySettings {
  bool available = false;  // false: no setting at all (direct connections)
  bool enabled = false;
  std::string server;      // "host:port", or "http=host:port;https=host:port"
  std::string bypass;      // entries separated by ";"
};

// Maps the environment values onto the three settings: a proxy address
// "http://user@host:port/" gives "host:port"; no_proxy's commas become ";";
// a no_proxy of "*" switches the proxy off.
SystemProxySettings ProxySettingsFrom(const std::string& httpProxy, const std::string& httpsProxy,
                                      const std::string& noProxy);
// The same, from the process environment.
SystemProxySettings ReadSystemProxySettings();

}  // namespace bq
