#include "logstore/log_file.h"

#include <charconv>

#include "textlib/csv.h"

namespace bq {
namespace {

void AppendNumber(std::string& out, std::int32_t v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
  out += ',';
}

// Parsing state reused across the fields of a line.
struct FieldReader {
  TCommaFile file;
  std::string scratch;
  std::int32_t Int() {
    file.ReadFieldInto(scratch);
    return ParseRecordInteger(scratch);
  }
  bool Flag() {
    file.ReadFieldInto(scratch);
    return scratch == "1";
  }
  void Text(std::string& out) { file.ReadTextInto(out, scratch); }
};

}  // namespace

void AppendLogLine(std::string& out, const TDataInfo& a, std::string_view link) {
  AppendNumber(out, a.TOPIC);
  AppendNumber(out, a.RESERVED);
  out += a.Unread ? "1," : "0,";
  AppendNumber(out, a.REFER);
  AppendNumber(out, static_cast<std::int32_t>(a.DATE));
  for (const std::string* s : {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL, &a.BODY, &a.HEAD,
                               &a.HOST}) {
    AppendCsvText(out, *s);
  }
  AppendCsvText(out, link);
  out += "\r\n";
}

void ParseLogLine(std::string_view line, TDataInfo& a) {
  FieldReader r;
  r.file.SetLine(line);
  a.TOPIC = r.Int();
  a.RESERVED = r.Int();
  a.Unread = r.Flag();
  a.REFER = r.Int();
  a.DATE = static_cast<std::uint32_t>(r.Int());
  for (std::string* s : {&a.TITLE, &a.AUTHOR, &a.MAILTO, &a.HP, &a.PAGEURL, &a.BODY, &a.HEAD, &a.HOST,
                         &a.LINK}) {
    r.Text(*s);
  }
}

}  // namespace bq
