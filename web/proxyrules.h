#pragma once
// How the system's proxy setting applies to one request.
#include <string>
#include <string_view>

#include "platform/proxy.h"

namespace bq {

struct TProxyState {
  bool enabled = false;
  std::string host;  // empty: connect directly
  int port = 80;
  std::string bypass;
};

// False (connect directly) when the host has no "." and the bypass list
// holds "<local>", or when some bypass entry, stripped of every "*", is a
// non-empty substring of the host.
bool UsesProxy(std::string_view host, std::string_view bypass);
// The proxy for a request to host: the "http=" entry of the server list (or
// its first entry without "="), unless disabled or bypassed; for an https
// address (secure) the "https=" entry in the same way. A non-numeric port
// throws the number-conversion error.
TProxyState ReadProxySettings(std::string_view host, const SystemProxySettings& system, bool secure = false);

}  // namespace bq
