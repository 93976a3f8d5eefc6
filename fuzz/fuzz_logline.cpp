// The log line reader on arbitrary bytes. Besides not crashing, one write
// normalises an article: writing what was read back gives the same line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logstore/log_file.h"
#include "textlib/csv.h"

namespace {

std::string Line(const bq::TDataInfo& a) {
  std::string out;
  bq::AppendLogLine(out, a, a.LINK);
  return out;
}

void Check(std::string_view line) {
  bq::TDataInfo a;
  try {
    bq::ParseLogLine(line, a);
  } catch (const bq::ConvertError&) {
    return;
  }
  const std::string once = Line(a);
  if (once.size() < 2 || once.substr(once.size() - 3) != ",\r\n") std::abort();
  bq::TDataInfo b;
  bq::ParseLogLine(std::string_view(once).substr(0, once.size() - 2), b);
  if (b.TOPIC != a.TOPIC || b.REFER != a.REFER || b.DATE != a.DATE || b.RESERVED != a.RESERVED ||
      b.Unread != a.Unread) {
    std::abort();
  }
  const std::string twice = Line(b);
  if (twice != once) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  bq::TCommaFile file(text);
  int lines = 0;
  while (file.ReadLine() && ++lines < 1000) Check(file.Line());
  return 0;
}
