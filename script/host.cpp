#include "script/host.h"

#include <cstdio>
#include <ctime>

#include "script/instructions.h"
#include "script/machine.h"
#include "script/tables.h"
#include "textlib/dates.h"

namespace bq::script {

std::int32_t ScriptHost::SystemDate() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::int64_t seconds = static_cast<std::int64_t>(ts.tv_sec) + (ts.tv_nsec >= 500000000 ? 1 : 0);
  // The program's zone, as NowDate reads it; SYSDATE rounds where NowDate cuts.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds + kLocalOffsetSeconds));
}

std::string NotAvailableMessage(std::string_view name) {
  std::string m(name);
  // " はここでは使えません"
  m.append(" \x82\xcd\x82\xb1\x82\xb1\x82\xc5\x82\xcd\x8e\x67\x82\xa6\x82\xdc\x82\xb9\x82\xf1");
  return m;
}

std::string HostOperationName(std::uint8_t op, std::uint8_t mode, std::int32_t operand) {
  if (op == static_cast<std::uint8_t>(OpCode::BLTN)) return "BLTN " + std::to_string(operand);
  for (const SubOpFamily& f : kSubOpFamilies) {
    if (static_cast<std::uint8_t>(f.op) != op) continue;
    std::string name(kOpInfo[op].mnemonic);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    name.push_back(' ');
    if (mode < f.count) return name.append(kSubOpNames[f.first + mode]);
    return name.append(std::to_string(mode));
  }
  return std::to_string(op);
}

namespace {

// The words a script writes for the host's sub-operations, in the order of
// kSubOpNames (empty for the STRF family, which the machine does itself).
constexpr std::string_view kSubOpWords[] = {
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    // LSTF
    "@CLIP", "@INDEXLINK", "@SPLIT", "@WRAPSTR", "@TOPICS", "@LINES", "@CSV", "@IMGSRC", "", "",
    // HTTP
    "GET", "SUBMIT", "HEAD", "READLINK", "BROWSE", "DOWNLOAD",
    // XFN
    "PUTLOG", "UNPACK", "LOGDEL", "LOGSORT", "SLEEP", "IMGSRC", "FRAMESRC", "DECODEURL", "CLIPBOARD", "SORTCSV",
    "DELETEFILE", "RENAMEFILE",
    // WIN
    "MESSAGE", "SHOWWINDOW", "INPUT"};
static_assert(std::size(kSubOpWords) == std::size(kSubOpNames));

}  // namespace

std::string ScriptWordOf(std::uint8_t op, std::uint8_t mode, std::int32_t operand) {
  if (op == static_cast<std::uint8_t>(OpCode::BLTN)) {
    std::string_view name = operand > 0 && operand < 256 ? BuiltinName(static_cast<std::uint8_t>(operand)) : "";
    if (!name.empty()) return std::string(name);
  }
  if (op == static_cast<std::uint8_t>(OpCode::WIN) && mode == 0 && operand == 1) return "EXITMESSAGE";
  for (const SubOpFamily& f : kSubOpFamilies) {
    if (static_cast<std::uint8_t>(f.op) != op || mode >= f.count) continue;
    std::string_view word = kSubOpWords[f.first + mode];
    if (!word.empty()) return std::string(word);
  }
  return HostOperationName(op, mode, operand);
}

void THeadlessHost::Unavailable(TScriptMachine& m, std::string_view name) {
  m.R.A.Clear();
  if (Notice) Notice(NotAvailableMessage(name));
}

std::string MailDate(std::uint32_t date) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // The count is local time already: break it down without a zone.
  std::time_t t = static_cast<std::time_t>(date);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %d %s %d %2.2d:%2.2d:%2.2d +0900", kDays[tm.tm_wday % 7], tm.tm_mday,
                kMonths[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string ArticleDump(const TArticleRecord& a) {
  std::string out(42, '-');
  out += "\r\n0:TOPIC:" + std::to_string(a.TOPIC) + "\r\n1:REFER:" + std::to_string(a.REFER);
  out += "\r\n2:DATE:" + MailDate(a.DATE);
  out += "\r\n3:TITLE:" + a.TITLE + "\r\n4:AUTHOR:" + a.AUTHOR + "\r\n5:MAILTO:" + a.MAILTO;
  out += "\r\n6:HP:" + a.HP + "\r\n8:HEAD:" + a.HEAD + "\r\n9:HOST:" + a.HOST;
  out += "\r\n7:BODY:\r\n" + a.BODY + "\r\n";
  return out;
}

void THeadlessHost::Builtin(TScriptMachine& m, std::uint8_t, std::int32_t code) {
  if (code == bi::kPrint) {
    m.CheckedAppend(m.PrintBuffer, ArticleDump(m.Article));
    return;
  }
  Unavailable(m, ScriptWordOf(static_cast<std::uint8_t>(OpCode::BLTN), 0, code));
}

void THeadlessHost::List(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  auto op = static_cast<ListOp>(sub);
  if (op == ListOp::EXPN || op == ListOp::REMV) {
    // Nothing was ever built, so there is nothing to take or release.
    m.R.A.Clear();
    m.R.FRP = 0;
    return;
  }
  Unavailable(m, ScriptWordOf(static_cast<std::uint8_t>(OpCode::LSTF), sub, operand));
  m.R.A = TScriptValue::Integer(0);  // no items
  m.R.FRP = 0;
}

void THeadlessHost::Http(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Unavailable(m, ScriptWordOf(static_cast<std::uint8_t>(OpCode::HTTP), sub, operand));
}

void THeadlessHost::Extended(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Unavailable(m, ScriptWordOf(static_cast<std::uint8_t>(OpCode::XFN), sub, operand));
}

void THeadlessHost::Window(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  Unavailable(m, ScriptWordOf(static_cast<std::uint8_t>(OpCode::WIN), sub, operand));
}

}  // namespace bq::script
