// The reference page: statements, then every builtin in the order of the
// compiler's name table, then the pattern language, clip templates,
// iterators and variables.
#include "app/core/workbench/reference.h"

#include <cctype>

#include "script/tables.h"

namespace bq::app {

namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// True when word is one of the blank-separated names of an entry.
bool Names(std::string_view names, std::string_view word) {
  std::size_t pos = 0;
  while (pos <= names.size()) {
    std::size_t end = names.find(' ', pos);
    if (end == std::string_view::npos) end = names.size();
    if (names.substr(pos, end - pos) == word) return true;
    pos = end + 1;
  }
  return false;
}

std::string Escape(std::string_view s) { return HtmlEscape(s); }

std::string AnchorId(std::string_view prefix, std::string_view name) {
  std::string id(prefix);
  for (char c : name) id += c == '@' ? '_' : c == ' ' ? '-' : c;
  return id;
}

// The example as a whole script, the way the tests run it.
std::string ExampleScript(const ReferenceEntry& e) {
  std::string s = "SCRIPT example;\n";
  if (!e.decls.empty()) s += std::string(e.decls) + "\n";
  return s + "BEGIN\n  " + std::string(e.example) + "\nEND.";
}

void Entry(std::string& out, const ReferenceEntry& e, std::string_view id) {
  out += "<div class=\"entry\" id=\"" + std::string(id) + "\">\n<h3>" + Escape(e.name) + " <small>" +
         std::string(e.kind) + "</small></h3>\n";
  out += "<table><tr><th>書き方</th><td><code>" + Escape(e.form) + "</code></td></tr>\n";
  out += "<tr><th>結果</th><td>" + Escape(e.result) + "</td></tr>\n";
  out += "<tr><th>_ @ ! ^ など</th><td>" + Escape(e.effects) + "</td></tr></table>\n";
  out += "<p>" + Escape(e.summary) + "</p>\n";
  if (!e.example.empty()) {
    out += "<pre class=\"example\">" + Escape(ExampleScript(e)) + "</pre>\n";
    out += "<p class=\"result\">実行後: <code>" + Escape(e.check) + "</code> = <code>" + Escape(e.expected) +
           "</code></p>\n";
  }
  out += "</div>\n";
}

void Section(std::string& out, const char* id, const char* title) {
  out += "<h2 id=\"" + std::string(id) + "\">" + title + "</h2>\n";
}

void Statements(std::string& out) {
  Section(out, "statements", "文と演算子");
  for (const auto& e : StatementReference()) {
    std::string first(e.name.substr(0, e.name.find(' ')));
    Entry(out, e, AnchorId("k-", first));
  }
}

void Builtins(std::string& out) {
  Section(out, "builtins", "組み込み関数");
  out += "<p>名前の表（コンパイラが使うもの）の順に並べています。</p>\n";
  for (const auto& row : script::TCmdTable) {
    if (row.code == script::bi::kNone) continue;
    if (const ReferenceEntry* e = FindBuiltinEntry(row.name)) {
      Entry(out, *e, AnchorId("b-", row.name));
    } else {
      out += "<div class=\"entry missing\" id=\"" + AnchorId("b-", row.name) + "\"><h3>" + Escape(row.name) +
             "</h3><p>（説明がありません）</p></div>\n";
    }
  }
}

void Patterns(std::string& out) {
  Section(out, "patterns", "パターン言語");
  out += R"(<p>REGEXPR、SKIPTO、WRAPSTR、PAGECLIP、@WRAPSTR、クリップテンプレートの !{…}!、アドレスの絞り込み、CASE の文字列ラベルで使います。左から右へ探し、後戻りはしません。全角文字は 1 文字です。</p>
<table>
<tr><th>^（先頭）</th><td>行の先頭でだけ一致</td></tr>
<tr><th>~（先頭）</th><td>行頭の空白・タブを飛ばして ^ と同じ</td></tr>
<tr><th>a|b</th><td>どちらか（左を先に試す）</td></tr>
<tr><th>(a|b)</th><td>選択のまとまり（入れ子不可）</td></tr>
<tr><th>$</th><td>テキストの終わり、または改行の前（末尾か | の前）</td></tr>
<tr><th>?</th><td>任意の 1 文字</td></tr>
<tr><th>*</th><td>任意の文字の並び（短い方から）</td></tr>
<tr><th>[...] [^...]</th><td>文字クラスの 1 文字／それ以外の 1 文字。[...]+ は 1 文字以上、[...]- は 0 か 1 文字</td></tr>
<tr><th>\a \d \w</th><td>英字か _／数字／英数字か _（+ で 1 個以上、- で 0 個以上）</td></tr>
<tr><th>\j</th><td>全角文字 1 つ（\j+、\j-）</td></tr>
<tr><th>\n \r \t</th><td>改行（CR LF か LF）、CR、タブ</td></tr>
<tr><th>\ と文字</th><td>その文字そのもの（\* \? \( \[ \| \$ \\）</td></tr>
</table>
)";
}

void ClipsAndIterators(std::string& out) {
  Section(out, "clips", "クリップテンプレート");
  out += R"(<p>ページで繰り返し現れる 1 件分（掲示板の 1 行など）を、まわりのテキストと取り込み欄で書きます。SCRIPT 行のあとに、名前[]:- の行、本体、-:: で始まる行の順に置きます。</p>
<pre class="example">row[]:-
&lt;tr&gt;&lt;td&gt;${DATE}&lt;/td&gt;&lt;td&gt;${TITLE}&lt;/td&gt;&lt;/tr&gt;
-::</pre>
<table>
<tr><th>${名前}</th><td>次の区切りまでを変数に取り込む</td></tr>
<tr><th>\*</th><td>ここまでのテキストで区切り、読み飛ばす</td></tr>
<tr><th>!{パターン}!</th><td>区切りをパターンで探す</td></tr>
<tr><th>\ 改行</th><td>行の継続。\c は文字 c そのもの</td></tr>
</table>
<p>ワークベンチの「テンプレート変数」ページで各テンプレートの手順を確認でき、見出しをクリックすると次のテンプレートに移ります。</p>
)";
  Section(out, "iterators", "列挙子（FOREACH）");
  out += "<p>FOREACH x IN の後に書ける列挙子です。件数は ! に入ります。";
  for (const auto& row : script::TCmdTable)
    if (row.name.size() > 1 && row.name[0] == '@' && row.code >= script::bi::kListClip &&
        row.code <= script::bi::kListImgSrc)
      out += " <a href=\"#" + AnchorId("b-", row.name) + "\">" + std::string(row.name) + "</a>";
  out += "</p>\n";
}

void Variables(std::string& out) {
  Section(out, "variables", "テンプレート変数と定義済み変数");
  out += R"(<p>テンプレート変数はフォルダの設定から実行前に入り、式の中に %名前% の形で書けます。"…" の文字列の中の %名前% は普通の変数 名前 を読むので、テンプレート変数は '…' + %URL% のように + でつなぎます。</p>
<table>
<tr><th>%URL%</th><td>サイトのアドレス</td></tr><tr><th>%SEQ%</th><td>最後のトピック番号</td></tr>
<tr><th>%LASTDATE%</th><td>ログの最新の日時</td></tr><tr><th>%ROUND%</th><td>前回巡回した日時</td></tr>
<tr><th>%USER% %PASS%</th><td>ログイン名とパスワード</td></tr><tr><th>%NAME% %DPASS%</th><td>ハンドル名と削除キー</td></tr>
<tr><th>%HOME% %MAIL%</th><td>ホームページとメールアドレス</td></tr><tr><th>%REFERER%</th><td>送る Referer</td></tr>
</table>
<p>定義済み変数:</p>
<table>
<tr><th>_</th><td>現在のページ（GET などが入れる）。代入はできません</td></tr>
<tr><th>@</th><td>応答ヘッダ</td></tr><tr><th>!</th><td>件数（列挙子、CLIP）</td></tr>
<tr><th>^</th><td>DOWNLOAD が保存したファイルのパス</td></tr>
</table>
<p>サンプルページ（例の GET(%URL%) が取得するもの）:</p>
<pre class="example">)" + Escape(ReferenceSamplePage()) + "</pre>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

const ReferenceEntry* FindBuiltinEntry(std::string_view upperName) {
  for (const auto& e : BuiltinReference())
    if (e.name == upperName) return &e;
  return nullptr;
}

const ReferenceEntry* FindKeywordEntry(std::string_view upperKeyword) {
  for (const auto& e : StatementReference())
    if (Names(e.name, upperKeyword)) return &e;
  return nullptr;
}

std::vector<std::string_view> ScriptKeywords() {
  std::vector<std::string_view> out;
  for (const auto& k : script::kKeywords) out.push_back(k.name);
  return out;
}

std::vector<std::string_view> ScriptBuiltinNames() {
  std::vector<std::string_view> out;
  for (const auto& b : script::TCmdTable)
    if (b.code != script::bi::kNone) out.push_back(b.name);
  return out;
}

std::string ReferenceAnchor(std::string_view word) {
  std::string upper = Upper(word);
  if (script::BuiltinCodeOf(upper) != script::bi::kNone && FindBuiltinEntry(upper)) return AnchorId("b-", upper);
  if (const ReferenceEntry* e = FindKeywordEntry(upper)) return AnchorId("k-", e->name.substr(0, e->name.find(' ')));
  return std::string();
}

std::string ReferenceHtml() {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
      "<title>Brindlequay スクリプト言語リファレンス</title>\n"
      "<style>body{font-family:sans-serif;max-width:60em;margin:auto}code,pre{font-family:monospace}"
      "pre.example{background:#f4f4f4;padding:.5em}th{text-align:left;padding-right:1em;vertical-align:top}"
      ".entry{border-top:1px solid #ccc;margin-top:1em}small{color:#666}</style></head><body>\n"
      "<h1>Brindlequay スクリプト言語リファレンス</h1>\n"
      "<p><a href=\"#statements\">文と演算子</a> | <a href=\"#builtins\">組み込み関数</a> | "
      "<a href=\"#patterns\">パターン言語</a> | <a href=\"#clips\">クリップテンプレート</a> | "
      "<a href=\"#iterators\">列挙子</a> | <a href=\"#variables\">変数</a></p>\n"
      "<p>大文字と小文字は区別しません。文字列は '…'（そのまま）か \"…\"（%名前% と \\n \\t を展開）で書きます。"
      "注釈は # または // から行末まで、(* … *) は複数行です。位置と長さはバイト単位で 1 から数えます。</p>\n";
  Statements(out);
  Builtins(out);
  Patterns(out);
  ClipsAndIterators(out);
  Variables(out);
  out += "</body></html>\n";
  return out;
}

}  // namespace bq::app
