// The guide's page: its examples with their results and warnings, the
// warning sections and list from the compiler's table, the sample page.
#include "app/core/workbench/guide.h"

#include <algorithm>

#include "app/core/workbench/reference.h"
#include "script/engine.h"
#include "script/warnings.h"
#include "textlib/cp932.h"

namespace bq::app {

namespace {

constexpr std::string_view kExampleOpen = "<pre class=\"example\"";
constexpr std::string_view kPreClose = "</pre>";

std::string Escape(std::string_view s) { return HtmlEscape(s); }

std::string Unescape(std::string_view s) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}, {"&amp;", '&'}};
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    bool done = false;
    for (const auto& [entity, c] : kEntities)
      if (s.compare(i, entity.size(), entity) == 0) {
        out += c;
        i += entity.size();
        done = true;
        break;
      }
    if (!done) out += s[i++];
  }
  return out;
}

// The value of attribute name="..." within tag, unescaped; empty if absent.
std::string Attribute(std::string_view tag, std::string_view name) {
  std::string key(1, ' ');
  key.append(name).append("=\"");
  std::size_t at = tag.find(key);
  if (at == std::string_view::npos) return {};
  at += key.size();
  std::size_t end = tag.find('"', at);
  return Unescape(tag.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

std::vector<std::string> Words(std::string_view s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t j = s.find(' ', i);
    if (j == std::string_view::npos) j = s.size();
    if (j > i) out.emplace_back(s.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

// One example found in the source: where its markup runs, and what it says.
struct ExampleMarkup {
  std::size_t begin = 0, end = 0;  // from "<pre" to after "</pre>"
  TGuideExample example;
};

// The example starting at pos ("<pre class=\"example\""), or end == 0 when
// its markup is cut off.
ExampleMarkup ReadExample(std::string_view source, std::size_t pos) {
  ExampleMarkup m;
  std::size_t tagEnd = source.find('>', pos);
  if (tagEnd == std::string_view::npos) return m;
  std::size_t close = source.find(kPreClose, tagEnd);
  if (close == std::string_view::npos) return m;
  std::string_view tag = source.substr(pos, tagEnd - pos);
  std::string_view body = source.substr(tagEnd + 1, close - tagEnd - 1);
  if (!body.empty() && body[0] == '\n') body.remove_prefix(1);
  m.begin = pos;
  m.end = close + kPreClose.size();
  m.example.script = Unescape(body);
  m.example.check = Attribute(tag, "data-check");
  m.example.expected = Attribute(tag, "data-expect");
  m.example.error = Attribute(tag, "data-error");
  m.example.warnings = Words(Attribute(tag, "data-warn"));
  m.example.line = 1 + static_cast<int>(std::count(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
  return m;
}

std::vector<ExampleMarkup> Examples(std::string_view source) {
  std::vector<ExampleMarkup> out;
  for (std::size_t pos = source.find(kExampleOpen); pos != std::string_view::npos;
       pos = source.find(kExampleOpen, pos + 1)) {
    ExampleMarkup m = ReadExample(source, pos);
    if (m.end == 0) break;
    out.push_back(std::move(m));
    pos = out.back().end - 1;
  }
  return out;
}

std::string WithCrLf(std::string_view lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// What the compiler says of an example (HTML): each warning with the
// example's own line number, then the line with the span marked.
std::string CompilerSays(const std::string& script) {
  script::TScriptEngine engine;
  try {
    if (!engine.CompileScript(Utf8ToSjis(WithCrLf(script)), false)) return "<p>(SCRIPT で始まっていません)</p>\n";
  } catch (const script::ECompileError& e) {
    return "<p>" + Escape(SjisToUtf8(e.what())) + "</p>\n";
  }
  std::string out;
  for (const script::TCompileWarning& w : engine.Warnings) {
    out += "<p>" + std::to_string(w.Place.line) + "行目: " + Escape(SjisToUtf8(script::WarningLine(w))) + "</p>\n";
    // Shift_JIS bytes are display columns in a fixed-pitch font.
    std::string marker;
    for (std::size_t i = 0; i < w.Place.column && i < w.Place.text.size(); ++i)
      marker += w.Place.text[i] == '\t' ? '\t' : ' ';
    out += "<pre>" + Escape(SjisToUtf8(w.Place.text)) + "\n" + marker + std::string(w.Place.width, '^') + "</pre>\n";
  }
  return out;
}

std::string ExampleHtml(const TGuideExample& e) {
  std::string out = "<pre class=\"example\">" + Escape(e.script) + "</pre>\n";
  if (e.error.empty()) {
    out += "<p class=\"result\">実行すると <code>" + Escape(e.check) + "</code> は <code>" +
           Escape(e.expected.empty() ? "(空)" : e.expected) + "</code></p>\n";
  } else {
    out += "<p class=\"result\">実行すると「" + Escape(e.error) + "」で止まります</p>\n";
  }
  if (!e.warnings.empty()) out += "<div class=\"warning\">\n" + CompilerSays(e.script) + "</div>\n";
  return out;
}

std::string WarningSection(std::string_view tag) {
  const script::TWarningKind* k = script::WarningKindByTag(tag);
  if (!k) return "<p class=\"missing\">(警告 " + Escape(tag) + " はありません)</p>";
  return "<h3 id=\"w-" + std::string(k->tag) + "\">" + std::string(k->title) + " <small>[" + std::string(k->tag) +
         "]</small></h3>\n<p class=\"fix\">直し方: " + Escape(k->fix) + "</p>";
}

std::string WarningTable() {
  std::string out = "<table class=\"warnings\">\n<tr><th>タグ</th><th>落とし穴</th><th>直し方</th></tr>\n";
  for (const script::TWarningKind& k : script::kWarningKinds)
    out += "<tr><td><a href=\"#w-" + std::string(k.tag) + "\">" + std::string(k.tag) + "</a></td><td>" +
           std::string(k.title) + "</td><td>" + Escape(k.fix) + "</td></tr>\n";
  return out + "</table>";
}

// Replaces every "<!-- NAME ... -->" by what make gives for the text after NAME.
template <class Make>
std::string ReplaceComments(std::string_view page, std::string_view name, Make make) {
  std::string out;
  std::string open = "<!-- " + std::string(name);
  std::size_t i = 0;
  for (std::size_t at = page.find(open); at != std::string_view::npos; at = page.find(open, i)) {
    std::size_t end = page.find("-->", at);
    if (end == std::string_view::npos) break;
    std::string_view arg = page.substr(at + open.size(), end - at - open.size());
    while (!arg.empty() && arg.front() == ' ') arg.remove_prefix(1);
    while (!arg.empty() && arg.back() == ' ') arg.remove_suffix(1);
    out.append(page.substr(i, at - i));
    out += make(arg);
    i = end + 3;
  }
  out.append(page.substr(i));
  return out;
}

}  // namespace

std::vector<TGuideExample> GuideExamples(std::string_view source) {
  std::vector<TGuideExample> out;
  for (ExampleMarkup& m : Examples(source)) out.push_back(std::move(m.example));
  return out;
}

std::string GuideHtml(std::string_view source) {
  std::string page;
  std::size_t i = 0;
  for (const ExampleMarkup& m : Examples(source)) {
    page.append(source.substr(i, m.begin - i));
    page += ExampleHtml(m.example);
    i = m.end;
  }
  page.append(source.substr(i));
  page = ReplaceComments(page, "warnings -->", [](std::string_view) { return WarningTable(); });
  page = ReplaceComments(page, "sample page -->",
                         [](std::string_view) { return "<pre class=\"page\">" + Escape(GuideSamplePage()) + "</pre>"; });
  return ReplaceComments(page, "warning ", [](std::string_view tag) { return WarningSection(tag); });
}

std::string_view GuideSamplePage() {
  return "<html><head><title>駅前掲示板</title></head><body>\n"
         "<div class=\"post\"><a name=\"1\">[1]</a> <span class=\"re\">0</span> <b>新しいパン屋</b> "
         "投稿者:<i>ゆき</i> <small>2026/12/01(火) 09:15</small>\n"
         "<blockquote>駅前にパン屋ができました。</blockquote></div>\n"
         "<div class=\"post\"><a name=\"2\">[2]</a> <span class=\"re\">1</span> <b>Re: 新しいパン屋</b> "
         "投稿者:<i>たろう</i> <small>2026/12/01(火) 10:02</small>\n"
         "<blockquote>朝七時から開いています。</blockquote></div>\n"
         "<div class=\"post\"><a name=\"3\">[3]</a> <span class=\"re\">0</span> <b>自転車置き場</b> "
         "投稿者:<i>管理人</i> <small>2026/12/02(水) 12:30</small>\n"
         "<blockquote>週末は混み合います。</blockquote></div>\n"
         "</body></html>\n";
}

}  // namespace bq::app
