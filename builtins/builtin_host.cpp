// The builtin host: dispatch of the BLTN family, the log, file and system
// operations (XFN), the window operations (WIN) and the system values.
#include "builtins/builtin_host.h"

#include <algorithm>

#include "logstore/scrap_list.h"
#include "platform/compare.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "script/machine.h"
#include "builtins/value_args.h"
#include "textlib/cp932.h"
#include "textlib/csv.h"
#include "textlib/links.h"
#include "web/webaccess.h"

namespace bq::builtins {

using script::TScriptMachine;
using script::TScriptValue;
using script::WinOp;
using script::XfnOp;

TBuiltinHost::TBuiltinHost(TScrapList& log, TWebAccess& web, UserInterface& ui, EventPump& pump)
    : log_(log), web_(web), ui_(ui), pump_(pump) {}

void TBuiltinHost::Builtin(TScriptMachine& m, std::uint8_t, std::int32_t code) { StackBuiltin(m, code); }

std::uint32_t TBuiltinHost::DocDate() { return web_.DocDate(); }
std::int32_t TBuiltinHost::LogCount() { return log_.Count(); }
std::string TBuiltinHost::ClipboardText() { return ui_.ClipboardText(); }
std::string TBuiltinHost::ConvertLogPath(std::string_view link) { return log_.ConvertLogPath(link); }

void TBuiltinHost::PutLog(TScriptMachine& m) {
  const auto& r = m.Article;
  TDataInfo a;
  a.TOPIC = r.TOPIC;
  a.REFER = r.REFER;
  a.DATE = r.DATE;
  a.TITLE = r.TITLE;
  a.AUTHOR = r.AUTHOR;
  a.MAILTO = r.MAILTO;
  a.HP = r.HP;
  a.BODY = r.BODY;
  a.HEAD = r.HEAD;
  a.HOST = r.HOST;
  a.LINK = r.LINK;
  a.PAGEURL = r.PAGEURL;
  a.Unread = true;
  bool overwrite = IntOf(m.R.A) != 0;
  int before = log_.Count();
  // The run ends at the article that would go past the limit: a script
  // that stores exactly ArticleLimit articles ends normally.
  if (addedThisRun_ >= ArticleLimit && log_.IndexOfItem(a) < 0) throw Exception(ArticleLimitMessage(ArticleLimit));
  int result = log_.AddItem(a, overwrite);
  bool gained = result >= 0 && log_.Count() > before;
  if (gained) ++addedThisRun_;
  m.R.A = TScriptValue::Integer(gained || (overwrite && result >= 0) ? 1 : 0);
}

std::string PrintLimitMessage(std::size_t limitBytes) {
  return Utf8ToSjis("PRINT の出力が上限 (" + std::to_string(limitBytes >> 10) +
                    " KB) に達したので実行を終えました (設定 PRINTLIMIT)");
}

std::string ArticleLimitMessage(std::int32_t limit) {
  return Utf8ToSjis("一回の実行で保存できる記事数の上限 (" + std::to_string(limit) +
                    " 件) に達したので実行を終えました (設定 ARTICLELIMIT)");
}

void TBuiltinHost::Unpack(TScriptMachine& m) {
  TDataInfo a = log_.GetTopic(IntOf(m.R.A));
  auto& r = m.Article;
  r.TOPIC = a.TOPIC;
  r.REFER = a.REFER;
  r.DATE = a.DATE;
  r.TITLE = a.TITLE;
  r.AUTHOR = a.AUTHOR;
  r.MAILTO = a.MAILTO;
  r.HP = a.HP;
  r.BODY = a.BODY;
  r.HEAD = a.HEAD;
  r.HOST = a.HOST;
  r.LINK = a.LINK;
  r.PAGEURL = a.PAGEURL;
}

// Sleeps in short steps with the pump called between them, so Stop ends the
// pause at once.
void TBuiltinHost::Pause(TScriptMachine& m, std::int64_t ms) {
  std::uint64_t until = TickCount64() + static_cast<std::uint64_t>(std::max<std::int64_t>(ms, 0));
  while (TickCount64() < until && m.State != script::RunState::Stopped) {
    std::uint64_t left = until - TickCount64();
    SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 10)));
    pump_.ProcessMessages();
  }
}

namespace {

std::string SortedComma(const TScriptValue& text, bool descending) {
  if (!text.IsText()) return std::string();
  std::vector<std::string> fields = CommaSplit(text.Str);
  std::stable_sort(fields.begin(), fields.end(),
                   [](const std::string& a, const std::string& b) { return CompareTextIgnoreCase(a, b) < 0; });
  if (descending) std::reverse(fields.begin(), fields.end());
  return CommaJoin(fields);
}

void Rename(const std::string& from, const std::string& to, bool replace) {
  if (from.empty() || to.empty()) return;
  if (fs::FileExists(to)) {
    if (!replace) return;
    fs::DeleteFile(to);
  }
  fs::RenameFile(from, to);
}

}  // namespace

void TBuiltinHost::Extended(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  switch (static_cast<XfnOp>(sub)) {
    case XfnOp::PUT: PutLog(m); break;
    case XfnOp::GET: Unpack(m); break;
    case XfnOp::DEL: log_.DeleteTopic(IntOf(m.R.A)); break;
    case XfnOp::LOGSORT:
      log_.Descending = IntOf(m.R.A) != 0;
      log_.SortItems(IntOf(m.R.B));
      break;
    case XfnOp::SLEP:
      if (m.R.A.IsIntLike()) Pause(m, m.R.A.Int);
      break;
    case XfnOp::IMG:
    case XfnOp::FRM: {
      std::string html = TextOf(m.StackSlot(operand));
      const char* tag = sub == static_cast<std::uint8_t>(XfnOp::IMG) ? "IMG" : "FRAME";
      m.R.A = TScriptValue::Text(FirstSourceByAddress(ExtractSources(html, tag, TextOf(m.R.B)), TextOf(m.R.A)));
      break;
    }
    case XfnOp::DECD: m.R.A = TScriptValue::Text(DecodeAddress(TextOf(m.R.A))); break;
    case XfnOp::CLIP: {
      ui_.SetClipboardText(TextOf(m.R.B));
      std::int32_t ms = IntOf(m.R.A);
      if (ms > 0) Pause(m, ms);
      break;
    }
    case XfnOp::CSVSORT: m.R.A = TScriptValue::Text(SortedComma(m.R.B, IntOf(m.R.A) != 0)); break;
    case XfnOp::DELF: {
      std::string file = TextOf(m.R.A);
      if (!file.empty() && fs::FileExists(file)) fs::DeleteFile(file);
      break;
    }
    case XfnOp::RENF: Rename(TextOf(m.R.B), TextOf(m.R.A), operand != 0); break;
    default: break;
  }
}

void TBuiltinHost::Window(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  switch (static_cast<WinOp>(sub)) {
    case WinOp::MSG: ui_.MessageBox(TextOf(m.R.A), Caption, kMbOk); break;
    case WinOp::SHOW: ui_.ShowWindow(IntOf(m.R.A)); break;
    case WinOp::INP: {
      TScriptValue& var = m.MutableSlot(operand);
      std::string value = TextOf(var);
      if (ui_.InputBox(TextOf(m.R.B), TextOf(m.R.A), value)) {
        var = TScriptValue::Text(std::move(value));
        m.R.A = TScriptValue::Integer(1);
      } else {
        m.R.A = TScriptValue::Integer(0);
      }
      break;
    }
    default: break;
  }
}

}  // namespace bq::builtins
