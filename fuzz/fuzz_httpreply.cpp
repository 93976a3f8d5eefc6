// Reply header text -> status line and header lines parsed as the client
// reads them. The parsed values must stay within their limits.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "textlib/limits.h"
#include "web/httpreply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  bq::TReplyInfo info;
  bool first = true;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (first) {
      info.status = bq::ParseStatusCode(line);
      if (info.status < 0) std::abort();
      first = false;
      continue;
    }
    if (bq::IsHeaderEnd(line)) break;
    bq::ParseHeaderLine(line, info);
  }
  if (info.contentLength < 0 || info.cookie.size() > bq::limits::kMaxCookie ||
      info.location.size() > bq::limits::kMaxLocation || info.cookie.find(';') != std::string::npos)
    std::abort();
  (void)bq::HeaderValue(text, "Location:");
  return 0;
}
