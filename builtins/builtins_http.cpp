// The page operations: GET, SUBMIT, HEAD, READLINK, BROWSE and DOWNLOAD.
// Every address goes through the address encoder before the fetcher sees it.
// GET and DOWNLOAD swallow a fetch error (an empty page, an empty target);
// SUBMIT and READLINK let it end the run.
#include "platform/fs.h"
#include "script/machine.h"
#include "builtins/builtin_host.h"
#include "builtins/value_args.h"
#include "textlib/forms.h"
#include "textlib/links.h"
#include "web/webaccess.h"

namespace bq::builtins {

using script::HttpOp;
using script::TScriptMachine;
using script::TScriptValue;

namespace {

constexpr std::int32_t kPageSlot = 0;    // _
constexpr std::int32_t kHeaderSlot = 1;  // @
constexpr std::int32_t kCountSlot = 2;   // !
constexpr std::int32_t kPathSlot = 6;    // ^

// The fetcher's Post undoes one level of URL encoding before it sends the
// data. The form data is already encoded once, and decoding it would send
// '&', '=', '+' and '%' inside values as bare bytes, so that a value holding
// them reaches the server cut apart. Escaping '%' and '+' once more makes
// the decoding give back exactly the encoded form data.
std::string ProtectFromPostDecoding(std::string_view data) {
  std::string out;
  out.reserve(data.size() + 16);
  for (char c : data) {
    if (c == '%')
      out += "%25";
    else if (c == '+')
      out += "%2B";
    else
      out += c;
  }
  return out;
}

}  // namespace

std::string DownloadName(std::string_view url) {
  std::size_t slash = url.rfind('/');
  std::string_view name = slash == std::string_view::npos ? url : url.substr(slash + 1);
  std::size_t cut = name.find_first_of("?#");
  if (cut != std::string_view::npos) name = name.substr(0, cut);
  return std::string(name);
}

void TBuiltinHost::FinishPage(TScriptMachine& m, std::string page, const std::string& address) {
  m.MutableSlot(kPageSlot) = TScriptValue::Text(std::move(page));
  m.MutableSlot(kHeaderSlot) = TScriptValue::Text(web_.ReplyNo() == 999 ? std::string() : web_.Header);
  m.R.A = TScriptValue::Integer(web_.ReplyNo());
  const std::string& where = web_.CurrentURL.empty() ? address : web_.CurrentURL;
  m.R.URL = std::string(WithoutQuery(where));
  utf8PageUrl_ = web_.PageCameInUtf8() ? m.R.URL : std::string();
}

void TBuiltinHost::PageGet(TScriptMachine& m) {
  std::string address = EncodeAddress(TextOf(m.R.A), false, false);
  bool useCache = (m.R.CCR & script::kFlagOption) != 0;
  web_.Header.clear();
  web_.CurrentURL.clear();
  std::string page;
  try {
    page = web_.GetPage(address, useCache);
  } catch (const Exception&) {
    page.clear();
  }
  FinishPage(m, std::move(page), address);
}

void TBuiltinHost::PageSubmit(TScriptMachine& m, std::int32_t slot) {
  FormState form;
  std::string html = TextOf(m.StackSlot(slot));
  if (!FindForm(m.R.URL, TextOf(m.R.B), html, form)) {
    m.MutableSlot(kPageSlot) = TScriptValue::Text(std::string());
    m.MutableSlot(kHeaderSlot) = TScriptValue::Text(std::string());
    m.R.A = TScriptValue::Integer(0);
    return;
  }
  // A page that came in UTF-8 (declared only by its header, or not at all)
  // wants its form back in UTF-8 too.
  if (!form.euc && !utf8PageUrl_.empty() && utf8PageUrl_ == m.R.URL) form.utf8 = true;
  std::string data = BuildFormData(form, TextOf(m.R.A));
  std::string address = FormRequestAddress(form, data);
  web_.Header.clear();
  web_.CurrentURL.clear();
  std::string page = form.post ? web_.PostPage(address, ProtectFromPostDecoding(data)) : web_.GetPage(address, false);
  FinishPage(m, std::move(page), form.action);
  m.R.URL = std::string(WithoutQuery(form.action));
}

void TBuiltinHost::PageHead(TScriptMachine& m) {
  web_.Header.clear();
  std::string header;
  try {
    header = web_.HeadPage(EncodeAddress(TextOf(m.R.A), false, false));
  } catch (const Exception&) {
    if (web_.Stopped()) throw;
  }
  m.MutableSlot(kHeaderSlot) = TScriptValue::Text(std::move(header));
  m.R.A = TScriptValue::Integer(web_.ReplyNo());
}

void TBuiltinHost::PageReadLink(TScriptMachine& m, std::int32_t slot) {
  std::string found = FirstLinkByText(ExtractLinks(TextOf(m.StackSlot(slot)), m.R.URL), TextOf(m.R.A));
  if (found.empty()) {
    m.MutableSlot(kPageSlot) = TScriptValue::Text(std::string());
    m.MutableSlot(kHeaderSlot) = TScriptValue::Text(std::string());
    m.R.A = TScriptValue::Integer(0);
    m.R.URL.clear();
    return;
  }
  bool useCache = (m.R.CCR & script::kFlagOption) != 0;
  web_.Header.clear();
  web_.CurrentURL.clear();
  std::string page = web_.GetPage(EncodeAddress(found, false, false), useCache);
  FinishPage(m, std::move(page), found);
  m.R.URL = std::string(WithoutQuery(found));
}

void TBuiltinHost::PageDownload(TScriptMachine& m) {
  m.MutableSlot(kCountSlot) = TScriptValue::Integer(0);
  m.MutableSlot(kHeaderSlot) = TScriptValue::Text(std::string());
  m.MutableSlot(kPathSlot) = TScriptValue::Text(std::string());
  std::string url = TextOf(m.R.B);
  std::int32_t mode = IntOf(m.R.A);
  std::string name = DownloadName(url);
  // The file layer also takes '\' as a separator: a name holding one, or a
  // dot name, would save outside the site folder, so it counts as no name.
  if (name.empty() || name == "." || name == ".." || name.find('\\') != std::string::npos) {
    m.R.A = TScriptValue::Integer(0);
    return;
  }
  std::string dir = fs::IncludeTrailingSeparator(m.DataFolder.empty() ? "./" : m.DataFolder);
  std::string target = dir + name;
  if (mode == 0 && fs::FileExists(target)) {
    m.R.A = TScriptValue::Integer(999);
    m.MutableSlot(kPathSlot) = TScriptValue::Text(target);
    return;
  }
  if (mode == 1) {
    fs::DeleteFile(target);
  } else if (mode == 2) {
    std::size_t dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int i = 0; fs::FileExists(target) && i < 100000; ++i) target = dir + stem + std::to_string(i) + ext;
  } else if (mode != 0) {
    m.R.A = TScriptValue::Integer(-1);
    return;
  }
  try {
    std::int64_t length = web_.DownloadFile(EncodeAddress(url, false, false), target);
    m.MutableSlot(kCountSlot) = TScriptValue::Integer(static_cast<std::int32_t>(length));
  } catch (const Exception&) {
    target.clear();
  }
  m.R.A = TScriptValue::Integer(web_.ReplyNo());
  m.MutableSlot(kPathSlot) = TScriptValue::Text(target);
}

void TBuiltinHost::Http(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  switch (static_cast<HttpOp>(sub)) {
    case HttpOp::GET: PageGet(m); break;
    case HttpOp::POST: PageSubmit(m, operand); break;
    case HttpOp::HEAD: PageHead(m); break;
    case HttpOp::LNK: PageReadLink(m, operand); break;
    case HttpOp::BOPN: web_.OpenInBrowser(ui_, TextOf(m.R.A)); break;
    case HttpOp::DLD: PageDownload(m); break;
    default: break;
  }
}

}  // namespace bq::builtins
