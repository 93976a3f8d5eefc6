#include "app/core/rounds/schedule.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/core/shell/shell_model.h"
#include "logstore/scrap_list.h"
#include "platform/fs.h"
#include "platform/sys.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::app {

std::string HoursText(HourChecks hours) {
  std::string out;
  for (int h = 0; h < 24; ++h) {
    if (((hours >> h) & 1u) == 0) continue;
    if (!out.empty()) out += ',';
    out += std::to_string(h);
  }
  return out;
}

bool ParseHours(std::string_view text, HourChecks& hours) {
  std::uint32_t mask = 0;
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && text[i] == ' ') ++i;
    int h = 0, digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3; ++i, ++digits) h = h * 10 + (text[i] - '0');
    if (digits == 0 || h > 23) return false;
    mask |= 1u << h;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) break;
    if (text[i++] != ',') return false;
  }
  hours = mask;
  return true;
}

std::uint32_t NextRoundTime(HourChecks hours, int minute, std::uint32_t now) {
  if ((hours & kAllHours) == 0 || minute < 0 || minute > 59) return 0;
  std::uint64_t start = static_cast<std::uint64_t>(now) / 3600 * 3600;
  // The hour now and the next 24: one of them holds the next round.
  for (int k = 0; k <= 24; ++k) {
    std::uint64_t t = start + static_cast<std::uint64_t>(k) * 3600 + static_cast<std::uint64_t>(minute) * 60;
    if (t <= now || t > 0xFFFFFFFFull) continue;
    if ((hours >> ((t / 3600) % 24)) & 1u) return static_cast<std::uint32_t>(t);
  }
  return 0;
}

std::string NextRoundText(HourChecks hours, int minute, bool enabled, std::uint32_t now, bool namesZone) {
  std::string text = Utf8ToSjis("次の定時巡回: ");
  if (!enabled) return text + Utf8ToSjis("なし (定時巡回しない)");
  const std::uint32_t next = NextRoundTime(hours, minute, now);
  if (next == 0) return text + Utf8ToSjis("なし (時間の指定がありません)");
  text += DisplayDateTime(next).substr(0, 16);  // to the minute
  return namesZone ? text + Utf8ToSjis(" (日本時間)") : text;
}

std::string NextRoundText(HourChecks hours, int minute, bool enabled) {
  return NextRoundText(hours, minute, enabled, NowDate(), !MachineInProgramZone());
}

std::string_view TimerSwitchCaption(bool on) { return on ? "ON " : "OFF"; }

bool TSchedule::Due(const TScrapList& log, std::uint32_t now, bool editorDirty, const std::string& roundLogPath) {
  interval_ = kScheduleTickMs;
  const DateParts t = DecodeDate(now);
  if (editorDirty || !log.IsRoundTime(t.hour, t.minute)) return false;
  const std::int64_t minute = now / 60;
  if (minute == lastRoundMinute_) return false;
  if (LastRoundOverAllStart(roundLogPath) / 60 == now / 60) {
    lastRoundMinute_ = minute;
    return false;
  }
  return true;
}

namespace {

// The round line's start: "Folder Round: yyyy/mm/dd hh:nn:ss - ...".
std::uint32_t RoundLineStart(std::string_view line) {
  constexpr std::string_view kHead = "Folder Round: ";
  if (line.substr(0, kHead.size()) != kHead) return 0;
  std::string date(line.substr(kHead.size(), 19));
  int y, mo, d, h, mi, s;
  if (std::sscanf(date.c_str(), "%4d/%2d/%2d %2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6) return 0;
  return EncodeDate(y, mo, d, h, mi, s);
}

}  // namespace

std::uint32_t LastRoundOverAllStart(const std::string& roundLogPath) {
  // The last few lines are enough: only the newest round matters.
  constexpr off_t kTail = 4096;
  sys::Fd fd(sys::Open(fs::ToOsPath(roundLogPath).c_str(), O_RDONLY));
  struct stat st;
  if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  if (st.st_size > kTail && ::lseek(fd.get(), st.st_size - kTail, SEEK_SET) < 0) return 0;
  std::string tail;
  char buf[kTail];
  for (ssize_t n; (n = sys::Read(fd.get(), buf, sizeof buf)) > 0;) tail.append(buf, static_cast<std::size_t>(n));
  constexpr std::string_view kAll = " \x81\x97\x82\x60\x82\x6b\x82\x6b";  // " ＠ＡＬＬ"
  std::string_view rest(tail);
  while (!rest.empty()) {
    std::size_t end = rest.find_last_not_of("\r\n");
    if (end == std::string_view::npos) break;
    std::size_t begin = rest.find_last_of('\n', end);
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    std::string_view line = rest.substr(begin, end + 1 - begin);
    if (line.size() >= kAll.size() && line.substr(line.size() - kAll.size()) == kAll) return RoundLineStart(line);
    rest = rest.substr(0, begin);
  }
  return 0;
}

}  // namespace bq::app
