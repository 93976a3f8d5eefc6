#include "web/proxyrules.h"

#include <vector>

#include "textlib/error.h"
#include "textlib/csv.h"

namespace bq {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

int PortNumber(const std::string& text) {
  bool ok = !text.empty() && text.size() <= 9;
  for (char c : text) ok = ok && c >= '0' && c <= '9';
  if (!ok) throw Exception("'" + text + "' is not a valid integer value");
  return std::stoi(text);
}

}  // namespace

bool UsesProxy(std::string_view host, std::string_view bypass) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (;;) {
    size_t semi = bypass.find(';', start);
    entries.emplace_back(bypass.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start));
    if (semi == std::string_view::npos) break;
    start = semi + 1;
  }
  bool dotless = host.find('.') == std::string_view::npos;
  for (const std::string& e : entries) {
    if (dotless && Lower(e) == "<local>") return false;
    std::string bare;
    for (char c : e)
      if (c != '*') bare.push_back(c);
    if (!bare.empty() && host.find(bare) != std::string_view::npos) return false;
  }
  return true;
}

TProxyState ReadProxySettings(std::string_view host, const SystemProxySettings& system, bool secure) {
  TProxyState s;
  if (!system.available) return s;
  s.enabled = system.enabled;
  s.bypass = system.bypass;
  if (!s.enabled || system.server.empty() || !UsesProxy(host, s.bypass)) return s;
  std::string list = system.server;
  for (char& c : list)
    if (c == ';') c = ',';
  std::vector<std::string> entries = CommaSplit(list, FinalComma::AddsEmptyItem);
  size_t i = 0;
  while (i < entries.size()) {
    if (entries[i].find('=') == std::string::npos || Lower(entries[i]).find(secure ? "https=" : "http=") != std::string::npos)
      break;
    ++i;
  }
  if (i == entries.size()) return s;
  std::string entry = entries[i];
  size_t eq = entry.find('=');
  if (eq != std::string::npos) entry = entry.substr(eq + 1);
  size_t colon = entry.find(':');
  if (colon == std::string::npos || colon + 1 < 2) {
    s.host = entry;
    return s;
  }
  s.host = entry.substr(0, colon);
  s.port = PortNumber(entry.substr(colon + 1, 255));
  return s;
}

}  // namespace bq
