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

bool LogDecoder::Next(DecodedLine& d) {
  for (;;) {
    if (next_ >= size_) return false;
    char* line = data_ + next_;
    const void* lf = std::memchr(line, '\n', size_ - next_);
    std::size_t n = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - line) : size_ - next_;
    next_ += lf ? n + 1 : n;
    if (n > 0 && line[n - 1] == '\r') --n;
    if (n == 0) continue;
    // Numbers are taken to the write position and read there; texts stay.
    std::size_t pos = 0;
    auto number = [&] {
      const std::size_t len = TakeFieldInPlace(line, n, pos, write_);
      return ParseRecordInteger(std::string_view(write_, len));
    };
    d.TOPIC = number();
    d.RESERVED = number();
    {
      const std::size_t len = TakeFieldInPlace(line, n, pos, write_);
      d.Unread = len == 1 && write_[0] == '1';
    }
    d.REFER = number();
    d.DATE = static_cast<std::uint32_t>(number());
    d.text = write_;
    char* w = write_;
    for (int f = 0; f < kTextFields; ++f) {
      const std::size_t len = TakeFieldInPlace(line, n, pos, w);
      w += CsvUnescapeInPlace(w, len);
      d.end[f] = static_cast<std::uint32_t>(w - d.text);
    }
    write_ = w;
    d.room = line + n;
    return true;
  }
}

void ParseLogLine(std::string_view line, TDataInfo& a) {
  std::vector<char> copy(line.begin(), line.end());
  LogDecoder decoder(copy.data(), copy.size());
  DecodedLine d;
  if (!decoder.Next(d)) {
    a = TDataInfo{};
    return;
  }
  a.TOPIC = d.TOPIC;
  a.RESERVED = d.RESERVED;
  a.Unread = d.Unread;
  a.REFER = d.REFER;
  a.DATE = d.DATE;
  std::string* texts[kTextFields] = {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL,
                                     &a.BODY,  &a.HEAD,   &a.HOST,   &a.LINK};
  std::uint32_t start = 0;
  for (int f = 0; f < kTextFields; ++f) {
    texts[f]->assign(d.text + start, d.end[f] - start);
    start = d.end[f];
  }
}

int CountUnread(char* data, std::size_t size) {
  LogDecoder decoder(data, size);
  DecodedLine line;
  int unread = 0;
  try {
    while (decoder.Next(line)) unread += line.Unread;
  } catch (const ConvertError&) {
  }
  return unread;
}

}  // namespace bq
