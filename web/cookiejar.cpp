#include "web/cookiejar.h"

#include <algorithm>
#include <ctime>

#include "textlib/limits.h"

namespace bq {
namespace {

constexpr std::int64_t kMaxExpiry = 253402300799;  // 9999-12-31 23:59:59 UTC

std::string_view TrimWsp(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool IsControl(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f;
}

// Control bytes other than the tab, which a header value may hold as blank.
bool HasControlButTab(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c != '\t' && IsControl(c); });
}

bool HasControl(std::string_view s) { return std::any_of(s.begin(), s.end(), IsControl); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsIpAddress(std::string_view host) {
  if (!host.empty() && host.front() == '[') return true;
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return IsDigit(c) || c == '.'; });
}

// host equals domain, or ends with "." + domain and is a name, not an address.
bool DomainMatch(std::string_view host, std::string_view domain) {
  if (host == domain) return true;
  return host.size() > domain.size() && host.substr(host.size() - domain.size()) == domain &&
         host[host.size() - domain.size() - 1] == '.' && !IsIpAddress(host);
}

bool PathMatch(std::string_view requestPath, std::string_view cookiePath) {
  if (requestPath.substr(0, cookiePath.size()) != cookiePath) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::string_view WithoutQuery(std::string_view path) {
  size_t q = path.find_first_of("?#");
  return q == std::string_view::npos ? path : path.substr(0, q);
}

// Delimiters of a cookie date: everything but digits, letters and ":".
bool IsDateDelimiter(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u == 0x09 || (u >= 0x20 && u <= 0x2f) || (u >= 0x3b && u <= 0x40) || (u >= 0x5b && u <= 0x60) ||
         (u >= 0x7b && u <= 0x7e);
}

// 1-2 digits, optionally followed by non-digits.
bool Digits(std::string_view s, size_t minDigits, size_t maxDigits, int& value, size_t& used) {
  used = 0;
  value = 0;
  while (used < s.size() && IsDigit(s[used]) && used < maxDigits) value = value * 10 + (s[used++] - '0');
  if (used < minDigits) return false;
  return used == s.size() || !IsDigit(s[used]);
}

bool TimeToken(std::string_view t, int& h, int& m, int& s) {
  size_t used;
  int* parts[] = {&h, &m, &s};
  for (int i = 0; i < 3; ++i) {
    if (!Digits(t, 1, 2, *parts[i], used)) return false;
    t.remove_prefix(used);
    if (i < 2) {
      if (t.empty() || t.front() != ':') return false;
      t.remove_prefix(1);
    }
  }
  return true;
}

int MonthToken(std::string_view t) {
  static constexpr const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                            "jul", "aug", "sep", "oct", "nov", "dec"};
  if (t.size() < 3) return 0;
  std::string m = Lower(t.substr(0, 3));
  for (int i = 0; i < 12; ++i)
    if (m == kMonths[i]) return i + 1;
  return 0;
}

std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool ParseInt64(std::string_view s, std::int64_t& out) {
  bool neg = !s.empty() && s.front() == '-';
  if (neg) s.remove_prefix(1);
  if (s.empty() || s.size() > 18 || !std::all_of(s.begin(), s.end(), IsDigit)) return false;
  out = 0;
  for (char c : s) out = out * 10 + (c - '0');
  if (neg) out = -out;
  return true;
}

void TakeAttribute(std::string_view name, std::string_view value, TSetCookie& out) {
  std::string n = Lower(name);
  if (n == "expires") {
    std::int64_t t;
    if (ParseCookieDate(value, t)) {
      out.hasExpires = true;
      out.expires = t;
    }
  } else if (n == "max-age") {
    std::int64_t v;
    if (!value.empty() && (IsDigit(value.front()) || value.front() == '-') && ParseInt64(value, v)) {
      out.hasMaxAge = true;
      out.maxAge = v;
    }
  } else if (n == "domain") {
    if (!value.empty() && value.front() == '.') value.remove_prefix(1);
    if (!HasControl(value)) out.domain = Lower(value);
  } else if (n == "path") {
    if (!HasControl(value)) out.path = std::string(value);
  } else if (n == "secure") {
    out.secure = true;
  }
}

}  // namespace

std::int64_t CookieNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

bool ParseCookieDate(std::string_view text, std::int64_t& utc) {
  bool haveTime = false, haveDay = false, haveMonth = false, haveYear = false;
  int h = 0, mi = 0, s = 0, day = 0, month = 0, year = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsDateDelimiter(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !IsDateDelimiter(text[i])) ++i;
    std::string_view tok = text.substr(start, i - start);
    if (tok.empty()) continue;
    size_t used;
    int v;
    if (!haveTime && TimeToken(tok, h, mi, s)) {
      haveTime = true;
    } else if (!haveDay && Digits(tok, 1, 2, v, used)) {
      haveDay = true;
      day = v;
    } else if (!haveMonth && MonthToken(tok)) {
      haveMonth = true;
      month = MonthToken(tok);
    } else if (!haveYear && Digits(tok, 2, 4, v, used)) {
      haveYear = true;
      year = v;
    }
  }
  if (!(haveTime && haveDay && haveMonth && haveYear)) return false;
  if (year >= 70 && year <= 99) year += 1900;
  if (year >= 0 && year <= 69) year += 2000;
  if (day < 1 || day > 31 || year < 1601 || h > 23 || mi > 59 || s > 59) return false;
  utc = DaysFromCivil(year, month, day) * 86400 + h * 3600 + mi * 60 + s;
  return true;
}

bool ParseSetCookie(std::string_view text, TSetCookie& out) {
  out = TSetCookie();
  if (text.size() > limits::kMaxSetCookie || HasControlButTab(text)) return false;
  size_t semi = text.find(';');
  std::string_view pair = text.substr(0, semi);
  size_t eq = pair.find('=');
  if (eq == std::string_view::npos) return false;
  std::string_view name = TrimWsp(pair.substr(0, eq));
  if (name.empty()) return false;
  out.name = std::string(name);
  out.value = std::string(TrimWsp(pair.substr(eq + 1)));
  // A tab inside a part would break the cookie file's fields.
  if (HasControl(out.name) || HasControl(out.value)) return false;
  std::string_view rest = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
  while (!rest.empty()) {
    size_t next = rest.find(';');
    std::string_view attr = rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    size_t aeq = attr.find('=');
    std::string_view an = TrimWsp(attr.substr(0, aeq));
    std::string_view av = aeq == std::string_view::npos ? std::string_view() : TrimWsp(attr.substr(aeq + 1));
    TakeAttribute(an, av, out);
  }
  return true;
}

std::string DefaultCookiePath(std::string_view requestPath) {
  std::string_view p = WithoutQuery(requestPath);
  if (p.empty() || p.front() != '/') return "/";
  size_t last = p.rfind('/');
  return last == 0 ? "/" : std::string(p.substr(0, last));
}

bool TCookieJar::Store(std::string_view setCookie, std::string_view host, std::string_view requestPath, bool secure,
                       std::int64_t now) {
  TSetCookie sc;
  if (!ParseSetCookie(setCookie, sc)) return false;
  if (sc.secure && !secure) return false;
  TCookie c;
  c.name = std::move(sc.name);
  c.value = std::move(sc.value);
  c.secure = sc.secure;
  std::string h = Lower(host);
  // A name the cookie file could not give back (a comment mark, a domain
  // mark) gets no cookies.
  if (h.empty() || h.front() == '.' || h.front() == '#' || HasControl(h)) return false;
  if (sc.domain.empty() || sc.domain == h) {
    c.domain = h;
    c.hostOnly = sc.domain.empty() || sc.domain.find('.') == std::string::npos;
  } else {
    // Without a list of public suffixes, a dotless Domain ("jp", "com")
    // is taken for one and refused.
    if (sc.domain.find('.') == std::string::npos || !DomainMatch(h, sc.domain)) return false;
    c.domain = sc.domain;
    c.hostOnly = false;
  }
  c.path = !sc.path.empty() && sc.path.front() == '/' ? sc.path : DefaultCookiePath(requestPath);
  if (sc.hasMaxAge) {
    c.expires = sc.maxAge <= 0 ? 1 : now + std::min<std::int64_t>(sc.maxAge, kMaxExpiry - now);
  } else if (sc.hasExpires) {
    c.expires = std::clamp<std::int64_t>(sc.expires, 1, kMaxExpiry);
  }
  if (c.expires != 0 && c.expires <= now) {
    // An expiry in the past is how a server deletes a cookie.
    auto it = std::find_if(cookies_.begin(), cookies_.end(), [&](const TCookie& o) {
      return o.name == c.name && o.domain == c.domain && o.path == c.path;
    });
    if (it != cookies_.end()) {
      cookies_.erase(it);
      changed_ = true;
    }
    return true;
  }
  Put(std::move(c));
  return true;
}

void TCookieJar::Put(TCookie c) {
  for (TCookie& o : cookies_) {
    if (o.name == c.name && o.domain == c.domain && o.path == c.path) {
      if (!(o == c)) changed_ = true;
      o = std::move(c);
      return;
    }
  }
  // Over the limits the oldest cookies of the same domain go first, then the
  // oldest of all.
  std::size_t sameDomain = std::count_if(cookies_.begin(), cookies_.end(), [&](const TCookie& o) { return o.domain == c.domain; });
  if (sameDomain >= limits::kMaxCookiesPerDomain) {
    cookies_.erase(std::find_if(cookies_.begin(), cookies_.end(), [&](const TCookie& o) { return o.domain == c.domain; }));
  } else if (cookies_.size() >= limits::kMaxCookies) {
    cookies_.erase(cookies_.begin());
  }
  cookies_.push_back(std::move(c));
  changed_ = true;
}

std::string TCookieJar::CookieHeader(std::string_view host, std::string_view requestPath, bool secure,
                                     std::int64_t now) const {
  std::string h = Lower(host);
  std::string_view path = WithoutQuery(requestPath);
  if (path.empty()) path = "/";
  std::vector<const TCookie*> match;
  for (const TCookie& c : cookies_) {
    if (c.expires != 0 && c.expires <= now) continue;
    if (c.secure && !secure) continue;
    if (c.hostOnly ? h != c.domain : !DomainMatch(h, c.domain)) continue;
    if (!PathMatch(path, c.path)) continue;
    match.push_back(&c);
  }
  std::stable_sort(match.begin(), match.end(),
                   [](const TCookie* a, const TCookie* b) { return a->path.size() > b->path.size(); });
  std::string out;
  for (const TCookie* c : match) {
    if (!out.empty()) out += "; ";
    out += c->name + "=" + c->value;
  }
  return out;
}

void TCookieJar::DropExpired(std::int64_t now) {
  auto gone = std::remove_if(cookies_.begin(), cookies_.end(),
                             [&](const TCookie& c) { return c.expires != 0 && c.expires <= now; });
  if (gone != cookies_.end()) changed_ = true;
  cookies_.erase(gone, cookies_.end());
}

std::string TCookieJar::Format() const {
  std::string out = "# Netscape HTTP Cookie File\r\n";
  for (const TCookie& c : cookies_) {
    out += (c.hostOnly ? "" : ".") + c.domain + "\t" + (c.hostOnly ? "FALSE" : "TRUE") + "\t" + c.path + "\t" +
           (c.secure ? "TRUE" : "FALSE") + "\t" + std::to_string(c.expires) + "\t" + c.name + "\t" + c.value + "\r\n";
  }
  return out;
}

void TCookieJar::Parse(std::string_view text, std::int64_t now) {
  cookies_.clear();
  changed_ = false;
  size_t pos = 0;
  while (pos < text.size() && cookies_.size() < limits::kMaxCookies) {
    size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // curl marks HttpOnly cookies with this prefix; they are cookies all the same.
    if (line.substr(0, 10) == "#HttpOnly_") line.remove_prefix(10);
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string_view> f;
    for (size_t start = 0; f.size() <= 7;) {
      size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    TCookie c;
    if (f.size() != 7 || !ParseInt64(f[4], c.expires) || c.expires < 0 || f[5].empty() || f[0].empty()) continue;
    if (HasControl(f[0]) || HasControl(f[2]) || HasControl(f[5]) || HasControl(f[6])) continue;
    if (f[2].empty() || f[2].front() != '/' || f[5].find('=') != std::string_view::npos) continue;
    if (c.expires != 0 && c.expires <= now) continue;
    c.hostOnly = f[0].front() != '.';
    c.domain = Lower(c.hostOnly ? f[0] : f[0].substr(1));
    c.path = std::string(f[2]);
    c.secure = f[3] == "TRUE";
    c.name = std::string(f[5]);
    c.value = std::string(f[6]);
    if (c.domain.empty() || c.name.size() + c.value.size() > limits::kMaxSetCookie) continue;
    Put(std::move(c));
  }
  changed_ = false;
}

}  // namespace bq
