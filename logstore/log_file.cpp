#include "logstore/log_file.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "textlib/csv.h"

namespace bq {
namespace {

void AppendNumber(std::string& out, std::int32_t v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
  out += ',';
}

void AppendHead(std::string& out, std::int32_t topic, std::int32_t reserved, bool unread, std::int32_t refer,
                std::uint32_t date) {
  AppendNumber(out, topic);
  AppendNumber(out, reserved);
  out += unread ? "1," : "0,";
  AppendNumber(out, refer);
  AppendNumber(out, static_cast<std::int32_t>(date));
}

}  // namespace

std::string_view ArticleView::Text(int field) const {
  const std::string_view* texts[kTextFields] = {&TITLE, &AUTHOR, &MAILTO, &HP, &PAGEURL, &BODY, &HEAD, &HOST, &LINK};
  return field >= 0 && field < kTextFields ? *texts[field] : std::string_view();
}

TDataInfo ArticleView::Copy() const {
  TDataInfo a;
  static_cast<ArticleHead&>(a) = *this;
  a.TITLE = TITLE;
  a.AUTHOR = AUTHOR;
  a.MAILTO = MAILTO;
  a.HP = HP;
  a.PAGEURL = PAGEURL;
  a.BODY = BODY;
  a.HEAD = HEAD;
  a.HOST = HOST;
  a.LINK = LINK;
  return a;
}

void AppendLogLine(std::string& out, const ArticleView& a, std::string_view link) {
  AppendHead(out, a.TOPIC, a.RESERVED, a.Unread, a.REFER, a.DATE);
  for (int f = 0; f < kLink; ++f) AppendCsvText(out, a.Text(f));
  AppendCsvText(out, link);
  out += "\r\n";
}

void AppendLogLine(std::string& out, const TDataInfo& a, std::string_view link) {
  AppendHead(out, a.TOPIC, a.RESERVED, a.Unread, a.REFER, a.DATE);
  for (const std::string* s : {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL, &a.BODY, &a.HEAD, &a.HOST})
    AppendCsvText(out, *s);
  AppendCsvText(out, link);
  out += "\r\n";
}

namespace {

// The next number field from pos, as the field reader gives it. A field
// without a quote (every field the log itself writes) is read where it
// stands; a quoted one is unquoted in place, over its own bytes.
std::string_view NumberField(char* line, std::size_t n, std::size_t& pos) {
  std::size_t p = pos;
  while (p < n && line[p] == ' ') ++p;
  const std::size_t start = p;
  while (p < n && line[p] != ',' && line[p] != '"') ++p;
  if (p >= n || line[p] == ',') {
    pos = p < n ? p + 1 : p;
    return {line + start, p - start};
  }
  char* dst = line + pos;
  const std::size_t len = TakeFieldInPlace(line, n, pos, dst);
  return {dst, len};
}

}  // namespace

bool LogLineReader::Next(LogLine& d) {
  for (;;) {
    if (next_ >= size_) return false;
    char* line = data_ + next_;
    const void* lf = std::memchr(line, '\n', size_ - next_);
    std::size_t n = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - line) : size_ - next_;
    next_ += lf ? n + 1 : n;
    if (n > 0 && line[n - 1] == '\r') --n;
    if (n == 0) continue;
    std::size_t pos = 0;
    d.TOPIC = ParseRecordInteger(NumberField(line, n, pos));
    d.RESERVED = ParseRecordInteger(NumberField(line, n, pos));
    const std::string_view unread = NumberField(line, n, pos);
    d.Unread = unread.size() == 1 && unread[0] == '1';
    d.REFER = ParseRecordInteger(NumberField(line, n, pos));
    d.DATE = static_cast<std::uint32_t>(ParseRecordInteger(NumberField(line, n, pos)));
    d.texts = line + pos;
    d.textBytes = static_cast<std::uint32_t>(n - pos);
    return true;
  }
}

void DecodeTextsInPlace(char* texts, std::size_t bytes, std::uint32_t (&end)[kTextFields]) {
  std::size_t pos = 0;
  char* w = texts;
  for (int f = 0; f < kTextFields; ++f) {
    const std::size_t len = TakeFieldInPlace(texts, bytes, pos, w);
    w += CsvUnescapeInPlace(w, len);
    end[f] = static_cast<std::uint32_t>(w - texts);
  }
}

void ParseLogLine(std::string_view line, TDataInfo& a) {
  std::vector<char> copy(line.begin(), line.end());
  LogLineReader reader(copy.data(), copy.size());
  LogLine d;
  if (!reader.Next(d)) {
    a = TDataInfo{};
    return;
  }
  a.TOPIC = d.TOPIC;
  a.RESERVED = d.RESERVED;
  a.Unread = d.Unread;
  a.REFER = d.REFER;
  a.DATE = d.DATE;
  std::uint32_t end[kTextFields];
  DecodeTextsInPlace(d.texts, d.textBytes, end);
  std::string* texts[kTextFields] = {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL,
                                     &a.BODY,  &a.HEAD,   &a.HOST,   &a.LINK};
  std::uint32_t start = 0;
  for (int f = 0; f < kTextFields; ++f) {
    texts[f]->assign(d.texts + start, end[f] - start);
    start = end[f];
  }
}

int CountUnread(char* data, std::size_t size) {
  LogLineReader reader(data, size);
  LogLine line;
  int unread = 0;
  try {
    while (reader.Next(line)) unread += line.Unread;
  } catch (const ConvertError&) {
  }
  return unread;
}

}  // namespace bq
