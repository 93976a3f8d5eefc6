#include "web/httpreply.h"

#include <algorithm>

#include "textlib/limits.h"

namespace bq {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view StripLineEnd(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

bool StartsNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i], b = prefix[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

}  // namespace

int ParseStatusCode(std::string_view line) {
  line = StripLineEnd(line);
  size_t i = 0;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  size_t start = i;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  std::string_view field = line.substr(start, i - start);
  if (field.empty() || field.size() > 9) return 0;
  int v = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  return v;
}

bool IsHeaderEnd(std::string_view line) { return line.empty() || line == "\n" || line == "\r\n"; }

void ParseHeaderLine(std::string_view line, TReplyInfo& info) {
  std::string_view body = StripLineEnd(line);
  size_t blank = 0;
  while (blank < body.size() && !IsBlank(body[blank])) ++blank;
  if (blank >= body.size()) return;  // a name must be followed by a blank
  std::string_view name = body.substr(0, blank);
  std::string_view value = body.substr(blank + 1);
  if (StartsNoCase(name, "SET-COOKIE:") && name.size() == 11) {
    std::string_view v = value.substr(0, value.find(';'));
    info.cookie = std::string(v.substr(0, limits::kMaxCookie));
    if (info.setCookies.size() < limits::kMaxSetCookies && value.size() <= limits::kMaxSetCookie)
      info.setCookies.emplace_back(Trim(value));
  } else if (StartsNoCase(name, "LOCATION:") && name.size() == 9) {
    info.location = std::string(value.substr(0, limits::kMaxLocation));
    info.hasLocation = true;
  } else if (StartsNoCase(name, "CONTENT-LENGTH:") && name.size() == 15) {
    size_t d = value.find_first_of("0123456789");
    info.contentLength = 0;
    info.hasContentLength = false;
    if (d == std::string_view::npos) return;
    std::int64_t v = 0;
    for (; d < value.size() && value[d] >= '0' && value[d] <= '9'; ++d) {
      if (v > (INT64_MAX - 9) / 10) return;
      v = v * 10 + (value[d] - '0');
    }
    info.contentLength = v;
    info.hasContentLength = true;
  } else if (StartsNoCase(name, "TRANSFER-ENCODING:") && name.size() == 18) {
    info.chunked = Lower(value).find("chunked") != std::string::npos;
  } else if (StartsNoCase(name, "CONTENT-TYPE:") && name.size() == 13) {
    info.contentType = std::string(Trim(value).substr(0, 256));
    std::string v = Lower(value);
    size_t p = v.find("charset=");
    if (p == std::string::npos) return;
    std::string_view cs = std::string_view(value).substr(p + 8);
    cs = cs.substr(0, cs.find(';'));
    cs = Trim(cs);
    if (cs.size() >= 2 && cs.front() == '"' && cs.back() == '"') cs = cs.substr(1, cs.size() - 2);
    info.charset = std::string(cs.substr(0, 64));
  } else if (StartsNoCase(name, "RETRY-AFTER:") && name.size() == 12) {
    info.retryAfter = std::string(Trim(value).substr(0, 64));
  } else if (StartsNoCase(name, "LAST-MODIFIED:") && name.size() == 14) {
    info.lastModified = std::string(Trim(value).substr(0, 256));
  } else if (StartsNoCase(name, "DATE:") && name.size() == 5) {
    info.date = std::string(Trim(value).substr(0, 256));
  } else if (StartsNoCase(name, "ETAG:") && name.size() == 5) {
    info.etag = std::string(Trim(value).substr(0, 256));
  }
}

std::string HeaderValue(std::string_view header, std::string_view name) {
  size_t pos = 0;
  while (pos < header.size()) {
    size_t end = header.find('\n', pos);
    std::string_view line = header.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (StartsNoCase(line, name)) return std::string(Trim(line.substr(name.size())));
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return std::string();
}

}  // namespace bq
