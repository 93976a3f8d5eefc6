// The builtins called by their code with their arguments on the stack:
// TAGSTRIPSET, PRINT, LOGREMOVE, DATEFORMAT, FORMATDATE, URLNUM, HREF, LINKS,
// CSV, SHIFTCSV and DECODEDATE. Any other code does nothing.
#include <cctype>

#include "logstore/scrap_list.h"
#include "script/machine.h"
#include "script/tables.h"
#include "builtins/builtin_host.h"
#include "builtins/value_args.h"
#include "textlib/csv.h"
#include "textlib/dates.h"
#include "textlib/links.h"
#include "textlib/strutil.h"

namespace bq::builtins {

using script::TScriptMachine;
using script::TScriptValue;
namespace bi = script::bi;

namespace {

// Argument i, or the empty value when the call gave fewer.
const TScriptValue& Arg(const TScriptMachine& m, std::int32_t i) {
  static const TScriptValue kEmpty;
  return i < m.ArgumentCount() ? m.Argument(i) : kEmpty;
}
bool Given(const TScriptMachine& m, std::int32_t i) { return i < m.ArgumentCount(); }

void DecodeDateInto(TScriptMachine& m) {
  DateParts p = DecodeDate(static_cast<Date>(IntOf(m.R.A)));
  const int parts[] = {p.year, p.month, p.day, p.hour, p.minute, p.second};
  for (std::int32_t i = 0; i < m.ArgumentCount(); ++i) {
    std::int32_t slot = IntOf(m.Argument(i));
    if (slot >= 0 && slot < m.VariableCount()) m.MutableSlot(slot) = TScriptValue::Integer(i < 6 ? parts[i] : 0);
  }
}

}  // namespace

std::int32_t UrlNumber(std::string_view text, std::string_view format, std::int32_t base) {
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned char n = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0x82 && n >= 0x4F && n <= 0x58) {
      digits.push_back(static_cast<char>('0' + (n - 0x4F)));
      ++i;
    } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      digits.push_back(' ');
      ++i;
    } else {
      digits.push_back(std::isdigit(c) ? static_cast<char>(c) : ' ');
    }
  }
  std::vector<std::int64_t> numbers;
  for (std::size_t i = 0; i < digits.size();) {
    if (digits[i] == ' ') {
      ++i;
      continue;
    }
    std::uint64_t v = 0;
    for (; i < digits.size() && digits[i] != ' '; ++i) v = v * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    numbers.push_back(static_cast<std::int64_t>(v));
  }
  if (!format.empty() && format[0] == '-') {
    format.remove_prefix(1);
    if (numbers.size() > format.size()) numbers.erase(numbers.begin(), numbers.end() - static_cast<long>(format.size()));
  }
  std::uint32_t result = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '9') continue;
    std::uint64_t n = i < numbers.size() ? static_cast<std::uint64_t>(numbers[i]) : 0;
    result = static_cast<std::uint32_t>(result * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(n));
  }
  return static_cast<std::int32_t>(result);
}

std::string FirstHref(std::string_view prefix, std::string_view text, bool keep) {
  std::size_t from = 0;
  for (;;) {
    std::size_t at = SearchNoCase(text.substr(from), " HREF=");
    if (at == std::string_view::npos) return std::string();
    at += from;
    std::string value = AttrValue("HREF", text.substr(at + 1));
    if (!keep) value.erase(0, std::min(prefix.size(), value.size()));
    if (!value.empty()) return value;
    from = at + 6;
  }
}

std::string PrintDump(std::int32_t topic, std::int32_t refer, std::uint32_t date, std::string_view title,
                      std::string_view author, std::string_view mailto, std::string_view hp, std::string_view head,
                      std::string_view host, std::string_view body) {
  std::string s(42, '-');
  s += "\r\n0:TOPIC:" + std::to_string(topic) + "\r\n1:REFER:" + std::to_string(refer) + "\r\n";
  s += "2:DATE:" + MailDateText(date) + "\r\n";
  auto line = [&s](const char* label, std::string_view v) {
    s += label;
    s.append(v);
    s += "\r\n";
  };
  line("3:TITLE:", title);
  line("4:AUTHOR:", author);
  line("5:MAILTO:", mailto);
  line("6:HP:", hp);
  line("8:HEAD:", head);
  line("9:HOST:", host);
  s += "7:BODY:\r\n";
  s.append(body);
  s += "\r\n";
  return s;
}

void TBuiltinHost::StackBuiltin(TScriptMachine& m, std::int32_t code) {
  switch (code) {
    case bi::kTagStripSet:
      m.TagTable.Set(TextOf(Arg(m, 0)), IntOf(Arg(m, 1)), IntOf(Arg(m, 2)));
      break;
    case bi::kPrint: {
      const auto& a = m.Article;
      std::string dump = PrintDump(a.TOPIC, a.REFER, a.DATE, a.TITLE, a.AUTHOR, a.MAILTO, a.HP, a.HEAD, a.HOST, a.BODY);
      if (m.PrintBuffer.size() + dump.size() > PrintLimit) throw Exception(PrintLimitMessage(PrintLimit));
      m.PrintBuffer += dump;
      break;
    }
    case bi::kLogRemove: {
      TDataInfo key;
      key.TOPIC = IntOf(Arg(m, 0));
      key.REFER = IntOf(Arg(m, 1));
      key.DATE = static_cast<std::uint32_t>(IntOf(Arg(m, 2)));
      log_.RemoveItem(key);
      break;
    }
    case bi::kDateFormat: {
      std::string format = Given(m, 1) ? TextOf(Arg(m, 1)) : std::string("YMDhns");
      m.R.A = TScriptValue::Integer(
          static_cast<std::int32_t>(DateFormat(TextOf(Arg(m, 0)), format, IntOf(Arg(m, 2)), NowDate())));
      break;
    }
    case bi::kFormatDate: {
      std::string format = Given(m, 1) ? TextOf(Arg(m, 1)) : std::string("@CTIME");
      m.R.A = TScriptValue::Text(FormatDate(static_cast<Date>(IntOf(Arg(m, 0))), format));
      break;
    }
    case bi::kUrlNum: {
      std::string format = Given(m, 1) ? TextOf(Arg(m, 1)) : std::string("-9999");
      std::int32_t base = Given(m, 2) ? IntOf(Arg(m, 2)) : 100;
      m.R.A = TScriptValue::Integer(UrlNumber(TextOf(Arg(m, 0)), format, base));
      break;
    }
    case bi::kHref:
      m.R.A = TScriptValue::Text(FirstHref(TextOf(Arg(m, 0)), TextOf(Arg(m, 1)), IntOf(Arg(m, 2)) != 0));
      break;
    case bi::kLinks: {
      std::string base = Given(m, 2) ? TextOf(Arg(m, 2)) : m.R.URL;
      m.R.A = TScriptValue::Text(FirstLinkByText(ExtractLinks(TextOf(Arg(m, 1)), base), TextOf(Arg(m, 0))));
      break;
    }
    case bi::kCsv:
      m.R.A = TScriptValue::Text(CommaField(TextOf(Arg(m, 0)), IntOf(Arg(m, 1))));
      break;
    case bi::kShiftCsv:
      m.R.A = TScriptValue::Text(CommaShift(TextOf(Arg(m, 0)), Given(m, 1) ? IntOf(Arg(m, 1)) : 1));
      break;
    case bi::kDecodeDate: DecodeDateInto(m); break;
    default: break;
  }
}

}  // namespace bq::builtins
