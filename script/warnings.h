#pragma once
// The compiler's warnings: traps of the language that compile and run but
// seldom do what the writer meant (a function's own name read as its
// result, parameters that a recursive call overwrites, text joined where
// numbers were to be added ...). A warning never stops a compile; the engine
// keeps those of its last successful compile.
//
// kWarningKinds is the one list of them: the compiler words every warning
// from it, the front ends show its tag, and the script writers' guide lists
// it with the fix.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/error_notes.h"

namespace bq::script {

enum class WarningCode : std::uint8_t {
  OwnName,
  FewArguments,
  RecursiveParameter,
  GlobalParameter,
  Unassigned,
  TemplateInText,
  NoTemplate,
  CaptureUnread,
  CaptureName,
  CaptureAdjacent,
  DateNumbers,
  DateSeparator,
  DateMinute,
  TextPlus,
  TextArithmetic,
  TextRange,
};

struct TWarningKind {
  WarningCode code;
  std::string_view tag;      // short English tag, for searching ("own-name")
  std::string_view title;    // the trap in a few words (UTF-8)
  std::string_view message;  // the warning's text (UTF-8); %1 %2 %3 %4 are filled in
  std::string_view fix;      // how to write it instead (UTF-8)
};

// In the order the guide explains them.
inline constexpr TWarningKind kWarningKinds[] = {
    {WarningCode::OwnName, "own-name", "関数の中で自分の名前を読む",
     "関数 %1 の中で %1 を読むと、結果ではなく引数なしの %1 の呼び出しになります。途中の値は変数に入れ、最後に %1 := 変数 "
     "と代入してください",
     "数える値や積み上げる値は変数に入れ、最後に 関数名 := 変数 と代入します。"},
    {WarningCode::FewArguments, "few-args", "引数の足りない呼び出し",
     "%1 は引数を %2 個とりますが、%3 個で呼んでいます。足りない引数は空になります",
     "定義の仮引数と同じ数の引数を渡します。"},
    {WarningCode::RecursiveParameter, "recursive-param", "再帰呼び出しのあとで仮引数を読む",
     "%1 の中で %1 を呼んだあとで仮引数 %2 を読んでいます。仮引数は大域変数なので、呼び出した先で書き換えられています。ここでは %3 "
     "と書いてください",
     "自分を呼ぶ関数では、仮引数の名前の代わりに $0、$1 … で引数を読みます。$0 は呼び出しから戻っても変わりません。"},
    {WarningCode::GlobalParameter, "global-param", "本体でも使う仮引数の名前",
     "%1 は %2 の仮引数ですが、本体 (BEGIN … END.) でも使っています。変数はすべて大域なので、%2 を呼ぶたびに本体の %1 "
     "が書き換えられます",
     "仮引数には、本体や他の関数で使わない名前を付けます。"},
    {WarningCode::Unassigned, "unassigned", "どこでも代入されない変数",
     "変数 %1 はどこでも代入されていません (名前の書き誤り?)。値はいつも空です",
     "名前を正しく書くか、使う前に代入します。"},
    {WarningCode::TemplateInText, "template-in-text", "\"…\" の中のテンプレート変数",
     "\"…\" の中の %%1% は変数 %1 を読みます。テンプレート変数 %%1% の値は入らず、空になります。'…' + %%1% + '…' "
     "のようにつないでください",
     "テンプレート変数は \"…\" の中に書かず、+ で文字列につなぎます。"},
    {WarningCode::NoTemplate, "no-template", "宣言されていないクリップテンプレート",
     "%1 はクリップテンプレートとして宣言されていないので、一件も切り出されません",
     "SCRIPT 行のあとで 名前[]:- … -:: と宣言した名前を書きます。"},
    {WarningCode::CaptureUnread, "capture-unread", "読まれない取り込み",
     "クリップテンプレート %1 の取り込み ${%2} の変数 %2 はどこでも読まれていません",
     "取り込んだ変数を使うか、要らない部分は \\* で読み飛ばします。"},
    {WarningCode::CaptureName, "capture-name", "英字でない文字を含む取り込みの名前",
     "取り込みの名前は英字と @ , : だけです。${%1} は変数 %2 に入り、「%3」は区切りの文字として探されます",
     "取り込みの名前は英字だけで付けます (NO2 ではなく NOB など)。"},
    {WarningCode::CaptureAdjacent, "capture-adjacent", "区切りのない二つの取り込み",
     "${%1} と ${%2} の間に区切りの文字がないので、%1 には何も入りません",
     "二つの取り込みの間に、ページで二つを分けている文字を書きます。"},
    {WarningCode::DateNumbers, "date-numbers", "書式より数の少ない日付",
     "DATEFORMAT の書式 '%1' は数を %2 個読みますが、'%3' には数が %4 個しかないので、結果は 0 (日付なし) です",
     "書式の文字の数を、テキストにある数の個数に合わせます ('2026/12/01 10:15' なら 'YMDhn')。"},
    {WarningCode::DateSeparator, "date-separator", "DATEFORMAT の書式の区切り",
     "DATEFORMAT の書式 '%1' の「%2」も数を一つ読み飛ばします。書式は数ごとに一文字で、区切りは書きません",
     "書式は 'YMDhn' のように、テキストの数の順に一文字ずつ書きます。"},
    {WarningCode::DateMinute, "date-minute", "分を M と書いた書式",
     "書式 '%1' の %2 は月です。分は N か n で書きます",
     "分は N (FORMATDATE では 2 桁、n は 0 を付けない) です。M は月です。"},
    {WarningCode::TextPlus, "text-plus", "文字列と数の +",
     "+ の片方 (%1) が文字列なので、足し算ではなく文字列の連結になります。数として足すには %1 * 1 と書いてください",
     "文字列を数にするには * 1 (か - 0) を付けます。+ 0 は連結になります。"},
    {WarningCode::TextArithmetic, "text-arith", "文字列どうしの * / MOD",
     "%1 の両辺が文字列なので、結果は空になります。%2 * 1 のように片方を数にしてください",
     "どちらかを * 1 で数にしてから計算します。"},
    {WarningCode::TextRange, "text-range", "文字列と範囲 n..m",
     "範囲 %1 は、値 (%2) が文字列のときには比べられず、いつも一致します。%2 * 1 と数にしてください",
     "CASE や IN の値を * 1 で数にしてから範囲と比べます。"},
};
inline constexpr std::size_t kWarningKindCount = std::size(kWarningKinds);
static_assert(kWarningKindCount == static_cast<std::size_t>(WarningCode::TextRange) + 1, "one row per warning");

const TWarningKind& WarningKind(WarningCode code);
// The row with this tag, or nullptr.
const TWarningKind* WarningKindByTag(std::string_view tag);

// One warning of a compile. Texts are Shift_JIS.
struct TCompileWarning {
  WarningCode Code{};
  std::string Text;   // the message with its names filled in
  std::string File;   // the INCLUDEd library it lies in; empty for the compiled text itself
  SourcePlace Place;  // where in that file (1-based line, the line, the span to mark)
  // The byte span in the compiled text: the place itself, or for a warning
  // inside a library the INCLUDE's file name.
  std::size_t Start = 0;
  std::size_t Length = 0;
};

// "警告: " + Text + " [tag]"
std::string WarningLine(const TCompileWarning& w);

// The message of a kind with %1 ... %4 replaced by args (Shift_JIS).
std::string WarningMessage(WarningCode code, const std::vector<std::string>& args);

}  // namespace bq::script
