#include "textlib/csv.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "textlib/cp932.h"

namespace bq {
namespace {

constexpr std::size_t kMaxFieldInMessage = 200;

bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC; }

// Steps 1, 3, 4 and 5 of the escape: backslash escapes, broken pairs, and
// whether the field needs quoting. Double quotes are left single here.
void EscapeBodyInto(std::string_view text, std::string& out, bool& needQuote) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\t': out += "\\t"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': continue;
      case '\\': out += "\\\\"; continue;
      case ' ':
      case ',': needQuote = true; break;
      default: break;
    }
    if (IsLeadByte(c)) {
      if (i + 1 < text.size() && IsTrail(static_cast<unsigned char>(text[i + 1]))) {
        out.append(text.data() + i, 2);
      } else {
        out += "??";
      }
      ++i;
      continue;
    }
    out += static_cast<char>(c);
  }
}

// Steps 2 and 6: double quotes doubled, the whole enclosed when marked.
void AppendQuoted(std::string& out, std::string_view body, bool needQuote) {
  if (needQuote) out += '"';
  if (body.find('"') == std::string_view::npos) {
    out += body;
  } else {
    for (char c : body) {
      if (c == '"') out += '"';
      out += c;
    }
  }
  if (needQuote) out += '"';
}

bool NeedsQuoteOnLine(std::string_view body) {
  return body.find_first_of(" ,") != std::string_view::npos;
}

std::string FieldForMessage(std::string_view field) {
  if (field.size() <= kMaxFieldInMessage) return std::string(field);
  std::size_t cut = 0;
  while (cut < kMaxFieldInMessage) {
    cut += IsLeadByte(static_cast<unsigned char>(field[cut])) ? 2 : 1;
  }
  return std::string(field.substr(0, cut)) + "...";
}

bool IsCommaBlank(unsigned char c) { return c >= 0x01 && c <= 0x20; }

// The first ',' or '"' from pos (npos when none). Most fields are short
// (numbers, names, empty ones): the first bytes are looked at one by one;
// a longer field gets two memchr scans, the second bounded by the first.
std::size_t FindCommaOrQuote(std::string_view s, std::size_t pos) {
  constexpr std::size_t kShort = 24;
  const std::size_t quick = std::min(s.size(), pos + kShort);
  for (; pos < quick; ++pos)
    if (s[pos] == ',' || s[pos] == '"') return pos;
  if (pos >= s.size()) return std::string_view::npos;
  const char* base = s.data();
  const void* comma = std::memchr(base + pos, ',', s.size() - pos);
  const std::size_t limit = comma ? static_cast<std::size_t>(static_cast<const char*>(comma) - base) : s.size();
  const void* quote = std::memchr(base + pos, '"', limit - pos);
  if (quote) return static_cast<std::size_t>(static_cast<const char*>(quote) - base);
  return comma ? limit : std::string_view::npos;
}

}  // namespace

// The whole escape in one pass straight into out; the opening quote is put
// in afterwards when a blank or a comma turned up.
void AppendEscaped(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  const char* p = text.data();
  const std::size_t n = text.size();
  bool needQuote = false;
  std::size_t run = 0, i = 0;
  auto flush = [&] { out.append(p + run, i - run); };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c >= 0x80) {
      if (IsLeadByte(c)) {
        if (i + 1 < n && IsTrail(static_cast<unsigned char>(p[i + 1]))) {
          i += 2;
          continue;
        }
        flush();
        out += "??";
        i += i + 1 < n ? 2 : 1;
        run = i;
        continue;
      }
      ++i;
      continue;
    }
    const char* repl = nullptr;
    switch (c) {
      case '\t': repl = "\\t"; break;
      case '\n': repl = "\\n"; break;
      case '\r': repl = ""; break;
      case '\\': repl = "\\\\"; break;
      case '"': repl = "\"\""; break;
      case ' ':
      case ',': needQuote = true; break;
      default: break;
    }
    if (repl) {
      flush();
      out += repl;
      run = i + 1;
    }
    ++i;
  }
  flush();
  if (needQuote) {
    out.insert(start, 1, '"');
    out += '"';
  }
}

std::string CsvEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  AppendEscaped(out, text);
  return out;
}

void AppendCsvText(std::string& out, std::string_view text) {
  AppendEscaped(out, text);
  out += ',';
}

void CsvUnescapeInto(std::string_view w, std::string& out) {
  out.assign(w);
  out.resize(CsvUnescapeInPlace(out.data(), out.size()));
}

// Jumps from backslash to backslash. Whether a backslash is an escape or
// the second byte of a double-byte character is read off the bytes just
// before it: a byte that cannot lead a character always ends one, so from
// the last such byte on the characters pair up, and an odd number of
// lead-valued bytes before the backslash makes it a trail byte.
std::size_t CsvUnescapeInPlace(char* p, std::size_t n) {
  std::size_t i = 0;    // a character boundary, where the search goes on
  std::size_t run = 0;  // the first byte not yet moved into place
  std::size_t w = 0;    // where decoded bytes go
  for (;;) {
    const void* found = i < n ? std::memchr(p + i, '\\', n - i) : nullptr;
    if (!found) break;
    const std::size_t k = static_cast<std::size_t>(static_cast<const char*>(found) - p);
    std::size_t q = k;
    while (q > i && IsLeadByte(static_cast<unsigned char>(p[q - 1]))) --q;
    if ((k - q) % 2 == 1) {
      i = k + 1;  // the trail byte of a pair
      continue;
    }
    std::memmove(p + w, p + run, k - run);
    w += k - run;
    if (k + 1 >= n) return w;  // a backslash at the very end is dropped
    const unsigned char e = static_cast<unsigned char>(p[k + 1]);
    if (e == 'n') {
      p[w++] = '\r';
      p[w++] = '\n';
      i = k + 2;
    } else if (e == 't') {
      p[w++] = '\t';
      i = k + 2;
    } else if (IsLeadByte(e) && k + 2 < n) {
      p[w++] = p[k + 1];
      p[w++] = p[k + 2];
      i = k + 3;
    } else {
      p[w++] = static_cast<char>(e);
      i = k + 2;
    }
    run = i;
  }
  std::memmove(p + w, p + run, n - run);
  return w + (n - run);
}

std::size_t TakeFieldInPlace(char* line, std::size_t n, std::size_t& pos, char* dst) {
  const std::string_view view(line, n);
  std::size_t len = 0;
  auto move = [&](std::size_t stop) {
    std::memmove(dst + len, line + pos, stop - pos);
    len += stop - pos;
    pos = stop;
  };
  while (pos < n && line[pos] == ' ') ++pos;
  bool quoted = false;
  while (pos < n) {
    std::size_t stop = quoted ? view.find('"', pos) : FindCommaOrQuote(view, pos);
    if (stop == std::string_view::npos) stop = n;
    move(stop);
    if (pos >= n) return len;
    if (!quoted && line[pos] == ',') {
      ++pos;
      return len;
    }
    // At a double quote: a doubled one is a literal, a single one toggles.
    if (pos + 1 < n && line[pos + 1] == '"') {
      dst[len++] = '"';
      pos += 2;
    } else {
      quoted = !quoted;
      ++pos;
    }
  }
  return len;
}

std::string CsvUnescape(std::string_view written) {
  std::string out;
  CsvUnescapeInto(written, out);
  return out;
}

std::int32_t ParseRecordInteger(std::string_view f) {
  if (f.empty()) return 0;
  std::size_t i = 0;
  bool negative = false;
  if (f[0] == '-' || f[0] == '+') {
    negative = f[0] == '-';
    i = 1;
  }
  std::int64_t v = 0;
  bool ok = i < f.size();
  for (; ok && i < f.size(); ++i) {
    if (f[i] < '0' || f[i] > '9') {
      ok = false;
    } else {
      v = v * 10 + (f[i] - '0');
      if (v > 2147483648LL) ok = false;
    }
  }
  if (negative) v = -v;
  if (!ok || v > 2147483647LL) {
    throw ConvertError("'" + FieldForMessage(f) +
                       "' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
  }
  return static_cast<std::int32_t>(v);
}

std::int64_t LenientInteger(std::string_view t) {
  std::size_t i = 0;
  bool negative = false;
  if (!t.empty() && t[0] == '-') {
    negative = true;
    i = 1;
  }
  std::int64_t v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    v = v * 10 + (t[i] - '0');
    if (v > 0xFFFFFFFFLL) v = 0xFFFFFFFFLL;
  }
  return negative ? -v : v;
}

bool TCommaFile::ReadLine() {
  if (next_ >= data_.size()) {
    SetLine({});
    return false;
  }
  const char* start = data_.data() + next_;
  const void* lf = std::memchr(start, '\n', data_.size() - next_);
  std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data_.data()) : data_.size();
  std::string_view line = data_.substr(next_, end - next_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  next_ = lf ? end + 1 : end;
  SetLine(line);
  return true;
}

void TCommaFile::SetLine(std::string_view line) {
  line_ = line;
  pos_ = 0;
}

// Trail bytes are never ',' or '"', so the scan needs no double-byte care.
void TCommaFile::ReadFieldInto(std::string& out) {
  out.clear();
  const std::size_t n = line_.size();
  while (pos_ < n && line_[pos_] == ' ') ++pos_;
  bool quoted = false;
  while (pos_ < n) {
    if (!quoted) {
      std::size_t stop = FindCommaOrQuote(line_, pos_);
      if (stop == std::string_view::npos) stop = n;
      out.append(line_.data() + pos_, stop - pos_);
      pos_ = stop;
      if (pos_ >= n) return;
      if (line_[pos_] == ',') {
        ++pos_;
        return;
      }
    } else {
      std::size_t stop = line_.find('"', pos_);
      if (stop == std::string_view::npos) stop = n;
      out.append(line_.data() + pos_, stop - pos_);
      pos_ = stop;
      if (pos_ >= n) return;
    }
    // At a double quote: a doubled one is a literal, a single one toggles.
    if (pos_ + 1 < n && line_[pos_ + 1] == '"') {
      out += '"';
      pos_ += 2;
    } else {
      quoted = !quoted;
      ++pos_;
    }
  }
}

std::string TCommaFile::ReadField() {
  std::string out;
  ReadFieldInto(out);
  return out;
}

std::int32_t TCommaFile::ReadInteger() { return ParseRecordInteger(ReadField()); }

bool TCommaFile::ReadBoolean() { return ReadField() == "1"; }

std::string TCommaFile::ReadText() {
  std::string out, scratch;
  ReadTextInto(out, scratch);
  return out;
}

void TCommaFile::ReadTextInto(std::string& out, std::string& scratch) {
  // A field without double quotes is its own bytes up to the comma: decode it
  // straight from the line.
  std::size_t start = pos_;
  while (start < line_.size() && line_[start] == ' ') ++start;
  const std::size_t stop = FindCommaOrQuote(line_, start);
  if (stop == std::string_view::npos || line_[stop] == ',') {
    const std::size_t end = stop == std::string_view::npos ? line_.size() : stop;
    CsvUnescapeInto(line_.substr(start, end - start), out);
    pos_ = stop == std::string_view::npos ? line_.size() : stop + 1;
    return;
  }
  ReadFieldInto(scratch);
  CsvUnescapeInto(scratch, out);
}

void TStringCSV::AddText(std::string_view text) {
  std::string body;
  bool needQuote = false;
  EscapeBodyInto(text, body, needQuote);
  fields_.push_back(std::move(body));
}

void TStringCSV::AddInteger(std::int64_t value) { fields_.push_back(std::to_string(value)); }

void TStringCSV::SetLine(std::string_view line) {
  fields_.clear();
  TCommaFile reader;
  reader.SetLine(line);
  // Every field is followed by ','; text after the last comma is one more field.
  while (!reader.AtEnd()) fields_.push_back(reader.ReadField());
}

void TStringCSV::AppendLine(std::string& out) const {
  for (const std::string& f : fields_) {
    AppendQuoted(out, f, NeedsQuoteOnLine(f));
    out += ',';
  }
}

std::string TStringCSV::Line() const {
  std::string out;
  AppendLine(out);
  return out;
}

std::string TStringCSV::Field(int index) const {
  if (index < 0 || index >= Count()) return {};
  return fields_[static_cast<std::size_t>(index)];
}

std::string TStringCSV::Text(int index) const { return CsvUnescape(Field(index)); }

bool TStringCSV::Boolean(int index) const { return Field(index) == "1"; }

std::int64_t TStringCSV::Integer(int index) const { return LenientInteger(Field(index)); }

std::vector<std::string> CommaSplit(std::string_view text, FinalComma finalComma) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> fields;
  std::size_t p = 0;
  const std::size_t n = text.size();
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  while (p < n && IsCommaBlank(at(p))) ++p;
  while (p < n) {
    std::string f;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            f += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        f += text[p++];
      }
    } else {
      while (p < n && at(p) > 0x20 && text[p] != ',') {
        const std::size_t step = IsLeadByte(at(p)) && p + 1 < n && IsTrailByte(at(p + 1)) ? 2 : 1;
        f.append(text.data() + p, step);
        p += step;
      }
    }
    fields.push_back(std::move(f));
    while (p < n && IsCommaBlank(at(p))) ++p;
    if (p < n && text[p] == ',') {
      if (p + 1 == n && finalComma == FinalComma::AddsEmptyItem) fields.emplace_back();
      ++p;
      while (p < n && IsCommaBlank(at(p))) ++p;
    }
  }
  return fields;
}

std::string CommaJoin(const std::vector<std::string>& fields) {
  if (fields.size() == 1 && fields[0].empty()) return "\"\"";
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ',';
    const std::string& f = fields[i];
    bool quote = false;
    for (char ch : f) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c < 0x21 || c == '"' || c == ',') quote = true;
    }
    if (!quote) {
      out += f;
      continue;
    }
    out += '"';
    for (char c : f) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

std::string CommaField(std::string_view text, int index) {
  if (index < 0) {
    char buf[96];
    std::snprintf(buf, sizeof buf,
                  "\x83\x8a\x83X\x83g\x82\xcc\x83\x43\x83\x93\x83\x66\x83\x62\x83N\x83X\x82\xaa\x94\xcd"
                  "\x88\xcd\x82\xf0\x92\xb4\x82\xa6\x82\xc4\x82\xa2\x82\xdc\x82\xb7 (%d)",
                  index);
    throw ListIndexError(buf);
  }
  std::vector<std::string> f = CommaSplit(text);
  return static_cast<std::size_t>(index) < f.size() ? f[static_cast<std::size_t>(index)] : std::string();
}

std::string CommaShift(std::string_view text, int n) {
  std::vector<std::string> f = CommaSplit(text);
  if (n <= 0) return CommaJoin(f);
  if (static_cast<std::size_t>(n) >= f.size()) return {};
  f.erase(f.begin(), f.begin() + n);
  return CommaJoin(f);
}

}  // namespace bq
